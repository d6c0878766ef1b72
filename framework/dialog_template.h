#pragma once
// Dialog and menu templates of the five languages (resources/dialogs.tsv): each control's
// id, kind, place in dialog units and text. Dialog units follow the dialog's font: a
// horizontal unit is a quarter of the average character width, a vertical one an eighth of
// the character height.
#include <QFont>
#include <QRect>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "host/strings.h"

namespace cartera::ui {

using Texts = std::array<std::string, 5>;  // by cartera::Language

struct DialogControl {
    int id = -1;       // -1 for labels and frames
    std::string kind;  // button, default, edit, static, group
    QRect units;       // x, y, width, height in dialog units
    Texts texts;
    const std::string& Text(Language lang) const { return texts[static_cast<int>(lang)]; }
    const std::string& Text() const { return Text(CurrentLanguage()); }
};

struct DialogTemplate {
    int id = 0;
    QRect units;
    Texts caption;
    std::vector<DialogControl> controls;
    const std::string& Caption() const { return caption[static_cast<int>(CurrentLanguage())]; }
    // Null when the template has no control of that id.
    const DialogControl* Find(int controlId) const;
};

struct MenuTemplate {
    int id = 0;
    Texts title;
    struct Item {
        int id = 0;  // 0: separator
        Texts texts;
    };
    std::vector<Item> items;
};

// Parses dialogs.tsv text. Malformed lines are skipped.
std::vector<DialogTemplate> ParseDialogTemplates(std::string_view tsv);
std::vector<MenuTemplate> ParseMenuTemplates(std::string_view tsv);

// The compiled-in templates; null for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);

// Dialog units to pixels for font.
QRect DialogUnitsToPixels(const QRect& units, const QFont& font);

}  // namespace cartera::ui
