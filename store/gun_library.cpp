#include "store/gun_library.h"

#include <algorithm>
#include <cstring>

#include "device/protocol.h"
#include "store/record_library_impl.h"

namespace mouse {

bool GunTraits::IsBound(const ButtonEntry& e) {
    return e.functionId == fn::kRecoil;
}

void GunTraits::CopyToEntry(const GunRecord& r, ButtonEntry& e) {
    e.bindingCount = r.bulletCount;
    e.bindingLoops = int32_t(r.reserved202);
    std::memcpy(e.gunData, r.bullets, sizeof(e.gunData));
    WriteText(e.bindingName, ReadText(r.gunName));
}

void GunTraits::InitItem(GunRecord& r) {
    r.bulletCount = kMaxBullets;
    for (BulletRow& row : r.bullets) {
        row = BulletRow{0, 0, 0, uint16_t(kMinBulletDelay)};
    }
}

bool ClampBulletRows(std::span<BulletRow> rows) {
    bool changed = false;
    for (BulletRow& row : rows) {
        const BulletRow before = row;
        row.x = std::clamp(row.x, -kMaxBulletOffset, kMaxBulletOffset);
        row.y = std::clamp(row.y, -kMaxBulletOffset, kMaxBulletOffset);
        row.delay = std::clamp<uint16_t>(row.delay, kMinBulletDelay, kMaxBulletDelay);
        changed = changed || row.x != before.x || row.y != before.y || row.delay != before.delay;
    }
    return changed;
}

// Nothing in a gun record is refused: every field has a nearest valid value
// that keeps the preset what it was meant to be. A bullet count outside
// 1..30 becomes the nearest (the record holds 30 rows; the editor shows 1..30),
// offsets outside -127..127 the nearest limit (the device takes the low byte,
// so 200 would pull the other way), and delays outside 10..1270 the nearest
// limit (the device takes delay / 10 in 7 bits). All 30 rows are corrected,
// since rows beyond the count come into use when the count is raised. The
// reserved bytes, byte 202 among them, are kept as read.
std::string GunTraits::CheckImported(GunRecord& r, std::vector<std::string>& corrected) {
    const uint8_t count = std::clamp<uint8_t>(r.bulletCount, 1, kMaxBullets);
    if (count != r.bulletCount) {
        r.bulletCount = count;
        corrected.push_back("bulletCount");
    }
    if (ClampBulletRows(r.bullets)) {
        corrected.push_back("bullets");
    }
    return {};
}

template class RecordLibrary<GunTraits>;

}  // namespace mouse
