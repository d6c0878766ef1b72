#include "framework/module.h"

#include "framework/runtime_class.h"

namespace cartera::ui {

void ModuleRegistry::RegisterClass(const CRuntimeClass* cls) {
    if (cls && !FindClass(cls->m_lpszClassName)) m_classes.push_back(cls);
}

const CRuntimeClass* ModuleRegistry::FindClass(std::string_view name) const {
    for (const CRuntimeClass* cls : m_classes)
        if (name == cls->m_lpszClassName) return cls;
    return nullptr;
}

void ModuleRegistry::AddMenu(int id, std::function<MenuRecord()> build) {
    m_menus.emplace_back(id, std::move(build));
}

MenuRecord ModuleRegistry::BuildMenu(int id) const {
    for (const auto& [menuId, build] : m_menus)
        if (menuId == id) return build();
    return {};
}

std::vector<int> ModuleRegistry::MenuIds() const {
    std::vector<int> ids;
    for (const auto& entry : m_menus) ids.push_back(entry.first);
    return ids;
}

void ModuleRegistry::NotifyLanguageChanged() const {
    for (const auto& hook : m_languageHooks) hook();
}

}  // namespace cartera::ui
