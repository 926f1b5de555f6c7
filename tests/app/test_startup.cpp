// The program fills the macro and preset lists after Create, once the event
// loop runs; what they then show is what a fill during Create shows.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "ui/ui.h"

namespace mouse {
namespace {

const char* const kIni = "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nUpdate=0\r\n";

template <typename R>
void WriteLibrary(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int folder = 0; folder < 3; ++folder) {
        for (int item = 0; item < 4; ++item) {
            R r;
            std::memset(&r, 0, sizeof r);
            const std::u16string folderName =
                u"Folder" + std::u16string(1, char16_t(u'A' + folder));
            const std::u16string name =
                folderName + u"-" + std::u16string(1, char16_t(u'0' + item));
            WriteText(r.folderName, folderName);
            r.isFolder = item == 0 ? 1 : 0;
            if (item > 0) {
                if constexpr (std::is_same_v<R, MacroRecord>) {
                    WriteText(r.macroName, name);
                } else {
                    WriteText(r.gunName, name);
                }
            }
            f.write(reinterpret_cast<const char*>(&r), sizeof r);
        }
    }
}

QStringList Items(CItemsUI* items) {
    QStringList out;
    for (int i = 0; items != nullptr && i < items->GetCount(); ++i) {
        out << items->GetItemText(i);
    }
    return out;
}

const char* const kLists[] = {"macro_combo", "macro_list", "gun_combo", "gun_list"};

TEST(StartupOrder, LibraryListsFilledLaterShowWhatAFillDuringCreateShows) {
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = folder.path() + "/";
    ASSERT_TRUE(test::PrepareProgramFolder(program, kIni));
    WriteLibrary<MacroRecord>(program + "Data/macro.bin");
    WriteLibrary<GunRecord>(program + "Data/gun.bin");
    setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1);

    std::map<bool, std::vector<QStringList>> shown;
    for (const bool later : {false, true}) {
        MainWndOptions options = test::TestWindowOptions(program);
        options.fillLibrariesLater = later;
        CMainWnd wnd(options);
        ASSERT_TRUE(wnd.Create(nullptr));
        auto lists = [&] {
            std::vector<QStringList> out;
            for (const char* name : kLists) {
                out.push_back(Items(wnd.FindControl<CItemsUI>(name)));
            }
            return out;
        };
        if (later) {
            EXPECT_TRUE(lists()[0].isEmpty()) << "filled during Create";
            ASSERT_TRUE(test::WaitFor([&] { return !lists()[3].isEmpty(); }));
        }
        shown[later] = lists();
        EXPECT_EQ(wnd.MacroPage().SelectedFolder(), 0) << later;
        EXPECT_EQ(wnd.GunPage().SelectedFolder(), 0) << later;
    }
    EXPECT_EQ(shown[false][0], (QStringList{"FolderA", "FolderB", "FolderC"}));
    EXPECT_EQ(shown[false][3], (QStringList{"FolderA-1", "FolderA-2", "FolderA-3"}));
    EXPECT_EQ(shown[true], shown[false]);
    unsetenv("MOUSE_SIM_SOCKET");
}

}  // namespace
}  // namespace mouse
