#include "dialogs/num_edit.h"

#include <QRegularExpressionValidator>

#include "host/numbers.h"
#include "model/entry.h"

namespace cartera {
std::string LocalNumberText(const std::string& plain) {
    std::string out;
    for (char c : plain) out += c == '.' ? GetSepDecimal() : std::string(1, c);
    return out;
}
}  // namespace cartera

CNumEdit::CNumEdit(QWidget* parent, bool whole) : QLineEdit(parent) {
    // Digits, a sign, the language's separators; anything else is refused as typed.
    QString seps = QRegularExpression::escape(QString::fromStdString(GetSepMiles()));
    if (!whole)
        seps += QRegularExpression::escape(QString::fromStdString(cartera::GetSepDecimal()));
    if (GetSepMiles() == " ") seps += QChar(0x00A0);
    auto pattern = QStringLiteral("-?[0-9%1]*").arg(seps);
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

std::optional<double> CNumEdit::Value() const {
    double v = 0.0;
    std::string t = text().toStdString();
    for (std::string nbsp = "\xC2\xA0"; t.find(nbsp) != std::string::npos;)
        t.replace(t.find(nbsp), nbsp.size(), GetSepMiles());
    if (t.empty() || !cartera::ParseNumberInLanguage(t, &v)) return std::nullopt;
    return v;
}

std::string CNumEdit::PlainText() const {
    auto v = Value();
    return v ? cartera::ExactNumberText(*v) : text().toStdString();
}

void CNumEdit::SetNumber(double value, int decimals) {
    SetPlainText(cartera::FormatFixed(value, decimals));
}

void CNumEdit::SetPlainText(const std::string& plain) {
    setText(QString::fromStdString(cartera::LocalNumberText(plain)));
}
