#include "dialogs/date_field.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>

#include "host/dates.h"
#include "host/strings.h"
#include "text/date.h"

namespace {

constexpr int kNotADate = 43030;  // "“%1” is not a date; type one like %2"

// The date of a typed text with a four-digit year, day first as the field shows it or ISO;
// complete: only in the field's own form or ISO with every digit there (so typing on cannot
// change it any more).
bool TypedDate(const QString& text, bool complete, QDate* out) {
    const std::string s = text.trimmed().toStdString();
    int32_t fn = 0;
    if (!cartera::ParseDateText(s, &fn)) return false;
    const size_t last = s.find_last_not_of("0123456789");
    const size_t first = s.find_first_not_of("0123456789");
    const bool isoYear = first == 4,
               dayFirstYear = last != std::string::npos && s.size() - last == 5;
    if (!isoYear && !dayFirstYear) return false;
    if (complete && s.size() != 10) return false;
    int y = 0, m = 0, d = 0;
    cartera::CivilDate(fn, &y, &m, &d);
    *out = QDate(y, m, d);
    return true;
}

}  // namespace

CDateField::CDateField(QWidget* parent) : QDateTimeEdit(parent) {
    setLocale(QLocale(QString::fromLatin1(cartera::LanguageCode(cartera::CurrentLanguage()))));
    setDisplayFormat(QString::fromLatin1(cartera::DateFieldFormat()));
    setCalendarPopup(true);
    // The date changes only when a whole one is taken, never from a text half typed (which
    // the edit would make into another date: 31/02 into 28/02).
    setKeyboardTracking(false);
}

std::string CDateField::Problem() const {
    QDate date;
    if (!m_typing || TypedDate(m_typed, false, &date)) return {};
    const QDate shown = this->date();
    return cartera::FillText(
        ::LS(kNotADate), {m_typed.toStdString(), cartera::DateText(cartera::DateNumber(
                                                     shown.year(), shown.month(), shown.day()))});
}

void CDateField::Type(const QString& text) {
    m_typing = true;
    m_typed = text;
    lineEdit()->setText(text);
    QDate date;
    if (TypedDate(text, true, &date)) {
        StopTyping();
        setDate(date);
    }
    emit typedChanged();
}

void CDateField::StopTyping() {
    if (!m_typing) return;
    m_typing = false;
    QDate date;
    const bool taken = TypedDate(m_typed, false, &date);
    m_typed.clear();
    // What the user typed and the field could not take gives the date back.
    if (taken) setDate(date);
    lineEdit()->setText(textFromDateTime(dateTime()));
    emit typedChanged();
}

void CDateField::keyPressEvent(QKeyEvent* event) {
    const bool paste = event->matches(QKeySequence::Paste);
    const QString text = paste ? QGuiApplication::clipboard()->text().trimmed() : event->text();
    const bool printable =
        paste || (!text.isEmpty() && text.at(0).isPrint() &&
                  !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)));
    QLineEdit* edit = lineEdit();
    const bool whole = edit->hasSelectedText() && edit->selectedText() == edit->text();
    if (printable && (m_typing || whole || paste)) {
        Type(paste || !m_typing ? text : m_typed + text);
        return;
    }
    if (m_typing && event->key() == Qt::Key_Backspace) {
        Type(m_typed.chopped(std::min<qsizetype>(1, m_typed.size())));
        return;
    }
    if (m_typing && event->key() == Qt::Key_Escape) {
        m_typed.clear();  // back to the date as it was
        StopTyping();
        return;
    }
    QDate date;
    if (m_typing && !TypedDate(m_typed, false, &date) &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        return;  // not a date: it stays, and the sheet says why
    }
    StopTyping();
    QDateTimeEdit::keyPressEvent(event);
}

void CDateField::focusOutEvent(QFocusEvent* event) {
    QDate date;
    if (m_typing && !TypedDate(m_typed, false, &date)) {
        QWidget::focusOutEvent(event);  // the text stays as typed, not put back
        return;
    }
    StopTyping();
    QDateTimeEdit::focusOutEvent(event);
}
