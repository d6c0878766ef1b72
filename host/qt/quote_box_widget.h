#pragma once
// A read-only, right-aligned line edit that shows a live-quote box (CBaseWndTR). Its
// textChanged signal fires whenever the box's text changes.
#include <QLineEdit>
#include <memory>

#include "host/quote_box.h"

namespace cartera::qt {

class QuoteBoxWidget : public QLineEdit {
    Q_OBJECT

  public:
    // Shows a box of its own.
    explicit QuoteBoxWidget(QWidget* parent = nullptr);
    // Shows box (not owned; must outlive the widget), e.g. one a page model keeps.
    explicit QuoteBoxWidget(CBaseWndTR* box, QWidget* parent = nullptr);
    ~QuoteBoxWidget() override;

    CBaseWndTR& Box() { return *m_box; }
    // Shortcuts to the box.
    void Iniciar(CObjectZorb* link, const std::string& code, int flag) {
        m_box->Iniciar(link, code, flag);
    }
    void SetCodigoSimbolo(const std::string& code) { m_box->SetCodigoSimbolo(code); }

  private:
    void Init();

    std::unique_ptr<CBaseWndTR> m_own;
    CBaseWndTR* m_box;
    int m_callback = 0;
};

}  // namespace cartera::qt
