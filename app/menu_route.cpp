#include "app/menu_route.h"

#include <iterator>

namespace mouse {

namespace {

struct Row {
    const char* name;
    MenuTarget target;
};

constexpr Row kRoutes[] = {
    {"configuration", MenuTarget::Configuration},
    {"exit", MenuTarget::Exit},
    {"autostart", MenuTarget::Autostart},
    {"import_profile", MenuTarget::ImportProfile},
    {"export_profile", MenuTarget::ExportProfile},
    {"duplicate_profile", MenuTarget::DuplicateProfile},
    {"app_rules", MenuTarget::AppRules},
    {"rename_macro_dir", MenuTarget::MacroPage},
    {"import_macro_dir", MenuTarget::MacroPage},
    {"export_macro_dir", MenuTarget::MacroPage},
    {"rename_macro", MenuTarget::MacroPage},
    {"import_macro", MenuTarget::MacroPage},
    {"export_macro", MenuTarget::MacroPage},
    {"rename_gun_dir", MenuTarget::GunPage},
    {"import_gun_dir", MenuTarget::GunPage},
    {"export_gun_dir", MenuTarget::GunPage},
    {"rename_gun", MenuTarget::GunPage},
    {"import_gun", MenuTarget::GunPage},
    {"export_gun", MenuTarget::GunPage},
};

}  // namespace

MenuRoute RouteMenuCommand(const QString& name) {
    for (const Row& row : kRoutes) {
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) {
            return MenuRoute{row.target, QString::fromLatin1(row.name)};
        }
    }
    if (name.startsWith(QLatin1String(kTrayProfileItem), Qt::CaseInsensitive)) {
        return MenuRoute{MenuTarget::Profile, name};
    }
    return MenuRoute{MenuTarget::ButtonPage, name};
}

}  // namespace mouse
