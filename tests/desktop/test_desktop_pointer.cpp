#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ci_env.h"
#include "desktop/private_bus.h"
#include "desktop/xvfb.h"
#include "device/records.h"
#include "performance/desktop_pointer.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace mouse {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// Two records whose pointer fields all differ, so every group is written.
struct Records {
    Records() {
        MakeDefaultRecord(*current, 3311);
        MakeDefaultRecord(*last, 3311);
        last->pointerSpeed = 100;
        last->enhancePointerPrecision = 5;
        last->doubleClickSpeed = 100;
    }
    std::unique_ptr<ProfileRecord> current = std::make_unique<ProfileRecord>();
    std::unique_ptr<ProfileRecord> last = std::make_unique<ProfileRecord>();
};

// --- GSettings, in a private keyfile store ------------------------------

// What gsettings, in this process's environment (the keyfile store of
// main.cpp), prints for a key.
std::string GSettingsGet(const char* schema, const char* key) {
    return test::Output(std::string("gsettings get ") + schema + " " + key);
}

TEST(GSettingsPointer, EachDesktopsSchemaTakesTheProfile) {
    if (!test::HasTool("gsettings")) {
        MOUSE_SKIP_UNLESS_CI("gsettings is not installed");
    }
    using B = DesktopPointerBackend;
    struct Row {
        B backend;
        const char* schema;
        const char* speedKey;
        int pointerSpeed;
        int precision;
        int doubleClickSpeed;
        double speed;
        const char* profile;
        const char* doubleClickMs;
    };
    const char* gnome = "org.gnome.desktop.peripherals.mouse";
    const char* cinnamon = "org.cinnamon.desktop.peripherals.mouse";
    const char* mate = "org.mate.peripherals-mouse";
    const Row rows[] = {
        {B::kGnome, gnome, "speed", 1, 0, 0, -0.9, "'flat'", "900"},
        {B::kGnome, gnome, "speed", 6, 1, 5, 0.0, "'adaptive'", "550"},
        {B::kCinnamon, cinnamon, "speed", 8, 1, 7, 0.4, "'adaptive'", "410"},
        {B::kCinnamon, cinnamon, "speed", 11, 0, 12, 1.0, "'flat'", "60"},
        {B::kMate, mate, "motion-acceleration", 1, 1, 1, 1.45, "'adaptive'", "830"},
        {B::kMate, mate, "motion-acceleration", 11, 0, 2, 10.0, "'flat'", "760"},
        {B::kMate, mate, "motion-acceleration", 6, 0, 3, 5.5, "'flat'", "690"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.schema);
        if (!GSettingsPointerSchemaInstalled(row.backend)) {
            MOUSE_SKIP_UNLESS_CI(std::string(row.schema) + " is not installed");
        }
        auto platform = CreateDesktopPointerPlatform(row.backend);
        EXPECT_FALSE(platform->Capabilities().wheelLines);
        Records records;
        records.current->pointerSpeed = row.pointerSpeed;
        records.current->enhancePointerPrecision = row.precision;
        records.current->doubleClickSpeed = row.doubleClickSpeed;
        ApplyPointerSettings(*platform, *records.current, *records.last);
        EXPECT_NEAR(std::strtod(GSettingsGet(row.schema, row.speedKey).c_str(), nullptr), row.speed,
                    1e-9);
        EXPECT_EQ(GSettingsGet(row.schema, "accel-profile"), row.profile);
        EXPECT_EQ(GSettingsGet(row.schema, "double-click"), row.doubleClickMs);
    }
}

TEST(GSettingsPointer, UnchangedGroupsKeepTheDesktopsValuesAndTheWheelIsNamedOnce) {
    ASSERT_TRUE(GSettingsPointerSchemaInstalled(DesktopPointerBackend::kGnome))
        << "the mouse schema comes from gsettings-desktop-schemas (scripts/install-deps.sh)";
    GSettings* settings = g_settings_new(kMouseSchema);
    g_settings_set_double(settings, "speed", 0.5);
    g_settings_set_int(settings, "double-click", 123);
    auto platform = CreateGSettingsPointerPlatform(DesktopPointerBackend::kGnome);
    ASSERT_NE(platform, nullptr);
    auto current = std::make_unique<ProfileRecord>();
    auto last = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*current, 3311);
    MakeDefaultRecord(*last, 3311);

    ::testing::internal::CaptureStderr();
    current->scrollLines = 9;
    ApplyPointerSettings(*platform, *current, *last);
    current->onePageScroll = 1;
    ApplyPointerSettings(*platform, *current, *last);
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(Count(said, "GNOME has no wheel-lines or one-page scrolling setting"), 1) << said;
    EXPECT_DOUBLE_EQ(g_settings_get_double(settings, "speed"), 0.5);
    EXPECT_EQ(g_settings_get_int(settings, "double-click"), 123);
    g_object_unref(settings);
}

// A fresh process without any schema: nothing aborts, nothing is written,
// and the diagnostic output says so.
TEST(DesktopPointerDeathTest, MissingSchemaFallsBackWithoutAborting) {
    EXPECT_EXIT(
        {
            setenv("XDG_DATA_DIRS", "/nonexistent/mouse-test", 1);
            setenv("XDG_DATA_HOME", "/nonexistent/mouse-test", 1);
            setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
            unsetenv("GSETTINGS_SCHEMA_DIR");
            const bool none =
                !GSettingsPointerSchemaInstalled(DesktopPointerBackend::kGnome) &&
                CreateGSettingsPointerPlatform(DesktopPointerBackend::kGnome) == nullptr;
            auto platform = CreateDesktopPointerPlatform();
            const bool nothingTaken = !platform->Capabilities().speed;
            Records records;
            records.current->scrollLines = 8;
            ApplyPointerSettings(*platform, *records.current, *records.last);
            std::_Exit(none && nothingTaken ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "desktop pointer settings: GNOME.*are not written");
}

TEST(NoDesktopPointer, SaysOnceThatNothingIsWritten) {
    auto platform = CreateDesktopPointerPlatform(DesktopPointerBackend::kNone);
    Records records;
    records.current->scrollLines = 8;
    ::testing::internal::CaptureStderr();
    ApplyPointerSettings(*platform, *records.current, *records.last);
    ApplyPointerSettings(*platform, *records.current, *records.last);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(said, "not written"), 1) << said;
}

// --- Choosing a backend --------------------------------------------------

TEST(DesktopPointerChooser, TheDesktopDecidesThenAnX11Session) {
    using B = DesktopPointerBackend;
    using D = DesktopKind;
    using S = SessionType;
    struct Row {
        D desktop;
        S type;
        bool display;
        B backend;
    };
    const Row rows[] = {
        {D::kGnome, S::kWayland, false, B::kGnome},  {D::kGnome, S::kX11, true, B::kGnome},
        {D::kCinnamon, S::kX11, true, B::kCinnamon}, {D::kMate, S::kX11, true, B::kMate},
        {D::kKde, S::kWayland, true, B::kPlasma},    {D::kKde, S::kX11, true, B::kPlasma},
        {D::kXfce, S::kX11, true, B::kXfce},         {D::kXfce, S::kWayland, false, B::kXfce},
        {D::kOther, S::kX11, true, B::kX11},         {D::kNone, S::kX11, true, B::kX11},
        {D::kOther, S::kX11, false, B::kNone},       {D::kOther, S::kWayland, true, B::kNone},
        {D::kNone, S::kTty, false, B::kNone},        {D::kNone, S::kUnknown, true, B::kNone},
    };
    for (const Row& row : rows) {
        Session session;
        session.desktop = row.desktop;
        session.type = row.type;
        EXPECT_EQ(ChooseDesktopPointerBackend(session, row.display), row.backend)
            << int(row.desktop) << " " << int(row.type) << " " << row.display;
    }
}

TEST(DesktopPointerChooser, AnXDisplayIsOnlyThereWhenItAnswers) {
    test::Xvfb server;
    if (server.Name().empty()) {
        MOUSE_SKIP_UNLESS_CI("Xvfb is not available");
    }
    EXPECT_TRUE(X11DisplayAvailable(server.Name()));
    EXPECT_FALSE(X11DisplayAvailable(":4093"));  // no such server
}

// --- X11, on a private Xvfb ----------------------------------------------

struct PointerControl {
    int numerator;
    int denominator;
    int threshold;
    bool operator==(const PointerControl&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PointerControl& c) {
    return out << c.numerator << "/" << c.denominator << " threshold " << c.threshold;
}

class X11PointerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (server.Name().empty()) {
            MOUSE_SKIP_UNLESS_CI("Xvfb is not available");
        }
        display = XOpenDisplay(server.Name().c_str());
        ASSERT_NE(display, nullptr);
        platform = CreateX11PointerPlatform(server.Name());
        ASSERT_NE(platform, nullptr);
    }
    void TearDown() override {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
    void SetControl(PointerControl c) {
        XChangePointerControl(display, True, True, c.numerator, c.denominator, c.threshold);
        XSync(display, False);
    }
    PointerControl Control() {
        PointerControl c{};
        XGetPointerControl(display, &c.numerator, &c.denominator, &c.threshold);
        return c;
    }
    // The slave pointers (Xvfb has only the XTEST one).
    std::vector<int> PointerDevices() {
        std::vector<int> ids;
        int count = 0;
        XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
        for (int i = 0; i < count; ++i) {
            if (devices[i].use == XISlavePointer) {
                ids.push_back(devices[i].deviceid);
            }
        }
        XIFreeDeviceInfo(devices);
        return ids;
    }
    Atom AtomOf(const char* name) { return XInternAtom(display, name, False); }
    // Gives a device the properties the libinput driver would.
    void AddLibinputProperties(int device, std::vector<unsigned char> enabled,
                               std::vector<unsigned char> available) {
        float speed = 0.0f;
        XIChangeProperty(display, device, AtomOf("libinput Accel Speed"), AtomOf("FLOAT"), 32,
                         PropModeReplace, reinterpret_cast<unsigned char*>(&speed), 1);
        XIChangeProperty(display, device, AtomOf("libinput Accel Profile Enabled"), XA_INTEGER, 8,
                         PropModeReplace, enabled.data(), int(enabled.size()));
        XIChangeProperty(display, device, AtomOf("libinput Accel Profiles Available"), XA_INTEGER,
                         8, PropModeReplace, available.data(), int(available.size()));
        XSync(display, False);
    }
    std::vector<unsigned char> Property(int device, const char* name) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned char> bytes;
        if (XIGetProperty(display, device, AtomOf(name), 0, 16, False, AnyPropertyType, &type,
                          &format, &items, &after, &data) == Success &&
            data != nullptr) {
            bytes.assign(data, data + items * unsigned(format / 8));
            XFree(data);
        }
        return bytes;
    }
    float Speed(int device) {
        std::vector<unsigned char> bytes = Property(device, "libinput Accel Speed");
        float speed = -99.0f;
        if (bytes.size() == sizeof speed) {
            std::memcpy(&speed, bytes.data(), sizeof speed);
        }
        return speed;
    }

    test::Xvfb server;
    Display* display = nullptr;
    std::unique_ptr<PointerPlatform> platform;
};

TEST_F(X11PointerTest, CorePointerAccelerationWhereNoDeviceHasLibinputProperties) {
    struct Row {
        PointerControl before;
        bool precision;
        PointerControl after;
    };
    const Row rows[] = {
        {{2, 1, 4}, false, {1, 1, 4}},
        {{3, 1, 7}, true, {2, 1, 4}},
        {{1, 1, 9}, true, {2, 1, 4}},
        {{5, 2, 6}, false, {1, 1, 6}},
    };
    ::testing::internal::CaptureStderr();
    for (const Row& row : rows) {
        SetControl(row.before);
        platform->SetPointer(0.2, row.precision);
        EXPECT_EQ(Control(), row.after) << row.before << (row.precision ? " on" : " off");
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(said, "the pointer speed is not applied"), 1) << said;
}

TEST_F(X11PointerTest, LibinputPropertiesOnEveryPointerDeviceThatHasThem) {
    const std::vector<int> devices = PointerDevices();
    ASSERT_FALSE(devices.empty());
    // Newer drivers list a third (custom) profile; its flag stays off.
    for (int device : devices) {
        AddLibinputProperties(device, {1, 0, 0}, {1, 1, 1});
    }
    SetControl({3, 1, 7});
    struct Row {
        double speed;
        bool precision;
        std::vector<unsigned char> enabled;
    };
    const Row rows[] = {
        {-0.6, false, {0, 1, 0}},
        {0.4, true, {1, 0, 0}},
        {1.0, false, {0, 1, 0}},
        {-0.9, true, {1, 0, 0}},
    };
    for (const Row& row : rows) {
        platform->SetPointer(row.speed, row.precision);
        for (int device : devices) {
            EXPECT_FLOAT_EQ(Speed(device), float(row.speed)) << device;
            EXPECT_EQ(Property(device, "libinput Accel Profile Enabled"), row.enabled)
                << device << " speed " << row.speed;
        }
        // The core pointer is left to the driver's settings.
        EXPECT_EQ(Control(), (PointerControl{3, 1, 7}));
    }
}

TEST_F(X11PointerTest, AProfileTheDeviceDoesNotOfferIsNotEnabled) {
    const std::vector<int> devices = PointerDevices();
    ASSERT_FALSE(devices.empty());
    AddLibinputProperties(devices[0], {1, 0}, {1, 0});  // adaptive only
    platform->SetPointer(-0.4, false);
    EXPECT_FLOAT_EQ(Speed(devices[0]), -0.4f);
    EXPECT_EQ(Property(devices[0], "libinput Accel Profile Enabled"),
              (std::vector<unsigned char>{1, 0}));
}

TEST_F(X11PointerTest, DoubleClickTimeAndWheelAreNamedOnceAndNotWritten) {
    SetControl({3, 1, 7});
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        platform->SetDoubleClickTime(500);
        platform->SetWheel(5, false);
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(said, "X11 has no server-wide double-click time setting"), 1) << said;
    EXPECT_EQ(Count(said, "X11 has no wheel-lines"), 1) << said;
    EXPECT_EQ(Control(), (PointerControl{3, 1, 7}));
}

}  // namespace
}  // namespace mouse
