#include "dialogs/num_edit.h"

#include <QFontMetrics>

#include "host/message_box.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "text/number.h"

namespace cartera {
std::string LocalNumberText(const std::string& plain) {
    std::string out;
    for (char c : plain) out += c == '.' ? GetSepDecimal() : std::string(1, c);
    return out;
}

std::string EntryFieldText(EntryField field) {
    switch (field) {
        case EntryField::contracts:
            return ::LS(42000);
        case EntryField::price:
            return ::LS(42001);
        case EntryField::commission:
            return ::LS(42002);
        default:
            return ::LS(42003);
    }
}

namespace {
bool Refuse(const std::string& text, QWidget* edit) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    if (edit) edit->setFocus();
    return true;
}
}  // namespace

bool RefuseNotANumber(CNumEdit* edit) {
    std::string why = edit->WhyNotANumber();
    return !why.empty() && Refuse(why, edit);
}

bool RefuseContracts(CNumEdit* contracts) {
    std::optional<Quantity> n = ReadContracts(contracts->QuantityText());
    return (!n || *n <= 0 || *n > kMaxEntryContracts) &&
           Refuse(EntryFieldText(EntryField::contracts), contracts);
}

bool RefuseOutOfBounds(const COrderCartera& m, const std::function<QWidget*(EntryField)>& edit) {
    EntryRefusal refusal = CheckEntryBounds(m);
    return refusal && Refuse(EntryFieldText(refusal.field), edit(refusal.field));
}
}  // namespace cartera

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
    // What is typed stays as typed: a text that is not a number is refused with the reason,
    // never changed into one ("1e12" is not 112).
    connect(this, &QLineEdit::textChanged, this, [this] { FitText(); });
}

std::string CNumEdit::NumberChars() const {
    std::string t = text().toStdString();
    for (std::string nbsp = "\xC2\xA0"; t.find(nbsp) != std::string::npos;)
        t.replace(t.find(nbsp), nbsp.size(), GetSepMiles());
    // Digits, a sign, the language's separators, blanks.
    const std::string allowed = "0123456789+- " + GetSepMiles() + cartera::GetSepDecimal() + ".";
    return t.find_first_not_of(allowed) == std::string::npos ? std::string(cartera::Trim(t))
                                                             : std::string();
}

std::optional<double> CNumEdit::Value() const {
    double v = 0.0;
    const std::string t = NumberChars();
    if (t.empty() || !cartera::ParseNumberInLanguage(t, &v)) return std::nullopt;
    return v;
}

std::optional<cartera::Quantity> CNumEdit::QuantityValue() const {
    cartera::Quantity q;
    const std::string t = NumberChars();
    if (t.empty() || !cartera::ParseQuantityInLanguage(t, &q)) return std::nullopt;
    return q;
}

std::string CNumEdit::QuantityText() const {
    auto q = QuantityValue();
    return q ? EditQuantityText(*q) : text().toStdString();
}

void CNumEdit::FitText() {
    // The whole number shows: the font shrinks for a text wider than the box.
    QFont fitted = parentWidget() ? parentWidget()->font() : font();
    const int room = contentsRect().width() - 6;
    while (fitted.pointSizeF() > 6 && QFontMetrics(fitted).horizontalAdvance(text()) > room)
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    setFont(fitted);
}

void CNumEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    FitText();
}

std::string CNumEdit::PlainText() const {
    auto v = Value();
    return v ? cartera::FullNumberText(*v) : text().toStdString();
}

std::string CNumEdit::WhyNotANumber() const {
    if (text().isEmpty() || Value()) return {};
    const std::string typed = text().toStdString();
    // Groups in place leave nothing to say about the separator.
    if (cartera::ThousandsInPlace(typed)) return cartera::FillText(::LS(42005), {typed});
    return cartera::FillText(::LS(42004), {typed, GetSepMiles()});
}

void CNumEdit::SetNumber(double value, int decimals) {
    SetPlainText(cartera::FormatFixed(value, decimals));
}

void CNumEdit::SetPlainText(const std::string& plain) {
    setText(QString::fromStdString(cartera::LocalNumberText(plain)));
    setCursorPosition(0);  // a number set shows from its start
}
