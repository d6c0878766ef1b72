#pragma once
// The numeric edit of the entry pages: numbers are typed and shown in the interface
// language's notation (German, French, Italian and Spanish write 4,25; English 4.25), with
// the language's thousands separator accepted where the language writes one.
#include <QLineEdit>
#include <optional>
#include <string>

class CNumEdit : public QLineEdit {
    Q_OBJECT

  public:
    // whole: only whole numbers (no decimal separator is accepted).
    explicit CNumEdit(QWidget* parent = nullptr, bool whole = false);

    // The number the text holds; nullopt when it is empty or not a number.
    std::optional<double> Value() const;
    // Empty or a number.
    bool IsEmptyOrNumber() const { return text().isEmpty() || Value().has_value(); }
    // The number as a plain text with a point ("4.25"), exactly as typed in value; the text
    // itself when it is not a number (the entry rules read that as 0).
    std::string PlainText() const;
    // Shows value with decimals in the language's notation (no thousands separators) and
    // clears the modified flag.
    void SetNumber(double value, int decimals);
    // Shows a plain number text ("1050.00") in the language's notation.
    void SetPlainText(const std::string& plain);
};

namespace cartera {
// A plain number text ("1050.00") in the interface language's notation ("1050,00").
std::string LocalNumberText(const std::string& plain);
}  // namespace cartera
