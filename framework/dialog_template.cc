#include "framework/dialog_template.h"

#include <QFontMetrics>
#include <charconv>

#include "host/strings.h"
#include "resources/resources.h"

namespace cartera::ui {
namespace {

bool ToInt(std::string_view s, int* out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
    return ec == std::errc() && end == s.data() + s.size();
}

Texts TextsFrom(const std::vector<std::string_view>& fields, size_t first) {
    Texts texts;
    for (size_t l = 0; l < texts.size(); ++l)
        if (first + l < fields.size()) texts[l] = std::string(fields[first + l]);
    return texts;
}

// Reads "<template> <id> <kind> <x> <y> <w> <h>" from fields[1..7].
bool ReadPlace(const std::vector<std::string_view>& f, int* owner, int* id, QRect* units) {
    int x, y, w, h;
    if (f.size() < 8 || !ToInt(f[1], owner) || !ToInt(f[2], id) || !ToInt(f[4], &x) ||
        !ToInt(f[5], &y) || !ToInt(f[6], &w) || !ToInt(f[7], &h))
        return false;
    *units = QRect(x, y, w, h);
    return true;
}

}  // namespace

const DialogControl* DialogTemplate::Find(int controlId) const {
    for (const DialogControl& c : controls)
        if (c.id == controlId) return &c;
    return nullptr;
}

std::vector<DialogTemplate> ParseDialogTemplates(std::string_view tsv) {
    std::vector<DialogTemplate> out;
    ForEachTsvLine(tsv, [&](const std::vector<std::string_view>& f) {
        int owner, id;
        QRect units;
        if ((f[0] != "dialog" && f[0] != "control") || !ReadPlace(f, &owner, &id, &units)) return;
        if (f[0] == "dialog") {
            DialogTemplate t;
            t.id = owner;
            t.units = units;
            t.caption = TextsFrom(f, 8);
            out.push_back(std::move(t));
            return;
        }
        if (out.empty() || out.back().id != owner) return;  // a control outside its dialog
        DialogControl c;
        c.id = id;
        c.kind = std::string(f[3]);
        c.units = units;
        c.texts = TextsFrom(f, 8);
        out.back().controls.push_back(std::move(c));
    });
    return out;
}

std::vector<MenuTemplate> ParseMenuTemplates(std::string_view tsv) {
    std::vector<MenuTemplate> out;
    ForEachTsvLine(tsv, [&](const std::vector<std::string_view>& f) {
        int owner;
        if (f.size() < 2 || !ToInt(f[1], &owner)) return;
        if (f[0] == "menu") {
            MenuTemplate m;
            m.id = owner;
            m.title = TextsFrom(f, 2);
            out.push_back(std::move(m));
        } else if (f[0] == "item" && f.size() >= 3 && !out.empty() && out.back().id == owner) {
            MenuTemplate::Item item;
            if (!ToInt(f[2], &item.id)) return;
            item.texts = TextsFrom(f, 3);
            out.back().items.push_back(std::move(item));
        }
    });
    return out;
}

const DialogTemplate* FindDialogTemplate(int id) {
    static const std::vector<DialogTemplate> all =
        ParseDialogTemplates(resources::DialogTemplates());
    for (const DialogTemplate& t : all)
        if (t.id == id) return &t;
    return nullptr;
}

const MenuTemplate* FindMenuTemplate(int id) {
    static const std::vector<MenuTemplate> all = ParseMenuTemplates(resources::DialogTemplates());
    for (const MenuTemplate& m : all)
        if (m.id == id) return &m;
    return nullptr;
}

QRect DialogUnitsToPixels(const QRect& units, const QFont& font) {
    QFontMetrics fm(font);
    // The average width of the 52 letters, rounded as the dialog manager does.
    int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int baseX = (letters / 26 + 1) / 2;
    int baseY = fm.height();
    auto x = [&](int v) { return (v * baseX + 2) / 4; };
    auto y = [&](int v) { return (v * baseY + 4) / 8; };
    return QRect(x(units.x()), y(units.y()), x(units.width()), y(units.height()));
}

}  // namespace cartera::ui
