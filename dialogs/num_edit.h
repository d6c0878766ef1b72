#pragma once
// The numeric edit of the entry pages: numbers are typed and shown in the interface
// language's notation (German, French, Italian and Spanish write 4,25; English 4.25), with
// the language's thousands separator accepted where the language writes one.
#include <QLineEdit>
#include <functional>
#include <optional>
#include <string>

#include "host/quantity.h"

class CNumEdit : public QLineEdit {
    Q_OBJECT

  public:
    // Any text may be typed; Value() reads only a plain number in the language's notation.
    explicit CNumEdit(QWidget* parent = nullptr);

    // The number the text holds; nullopt when it is empty or not a plain number (no exponent,
    // no letters).
    std::optional<double> Value() const;
    // The same read exactly as a quantity (never through a double): nullopt too for more than
    // ten decimals.
    std::optional<cartera::Quantity> QuantityValue() const;
    // The quantity as the language writes it without grouping ("1234,5" in German), which
    // ReadContracts reads back exactly; the text itself when it is not a quantity.
    std::string QuantityText() const;
    // Empty or a number.
    bool IsEmptyOrNumber() const { return text().isEmpty() || Value().has_value(); }
    // The number as a plain text with a point and never an exponent ("4.25", "100000"),
    // reading back exactly the value; the text itself when it is not a number.
    std::string PlainText() const;
    // Why the text is not a number, in the interface language, naming the text; empty when
    // it is empty or a number.
    std::string WhyNotANumber() const;
    // Shows value with decimals in the language's notation (no thousands separators) and
    // clears the modified flag.
    void SetNumber(double value, int decimals);
    // Shows a plain number text ("1050.00") in the language's notation.
    void SetPlainText(const std::string& plain);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitText();
    // The text with the language's separators and blanks only, no-break spaces as the
    // thousands separator; empty when anything else is in it.
    std::string NumberChars() const;
};

#include "model/entry.h"

namespace cartera {
// A plain number text ("1050.00") in the interface language's notation ("1050,00").
std::string LocalNumberText(const std::string& plain);

// What entry takes in field, in the interface language ("Contracts: enter a whole number
// from 1 to 2,147,483,647.").
std::string EntryFieldText(EntryField field);
// Refusals at OK: each shows its message and moves the focus to the edit; true when refused.
// A text that is not a number (WhyNotANumber):
bool RefuseNotANumber(CNumEdit* edit);
// A contracts box that holds no number above 0 and up to kMaxEntryContracts:
bool RefuseContracts(CNumEdit* contracts);
// A movement outside what entry takes (CheckEntryBounds); edit gives the field's edit.
bool RefuseOutOfBounds(const COrderCartera& m, const std::function<QWidget*(EntryField)>& edit);
}  // namespace cartera
