#pragma once
// The date field of the entry pages: a short-date picker in the interface language that keeps
// its time of day and also takes a whole date typed or pasted over it ("15/03/2025", or ISO
// "2025-03-15"), which a date-time edit on its own takes only a section at a time. A typed
// date that cannot be (31/02/2025) stays as typed, and Problem() says why, until it is
// corrected or Esc puts the date back.
#include <QDateTimeEdit>
#include <string>

class CDateField : public QDateTimeEdit {
    Q_OBJECT

  public:
    explicit CDateField(QWidget* parent = nullptr);

    // Why the typed text is not a date, in the interface language, naming it; empty while
    // the field holds a date.
    std::string Problem() const;

  signals:
    // The typed text changed (Problem() may have).
    void typedChanged();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Shows text as typed and takes it when it reads as a whole date.
    void Type(const QString& text);
    void StopTyping();

    QString m_typed;
    bool m_typing = false;
};
