#pragma once
// File › Import statement…: a broker's statement recognised as the command line's import
// recognises it, a preview of what will be added and what is refused (and why) with how
// many rows the portfolio already holds, the account and the currency to take when the
// statement holds several, then the movements added as one change with one save.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "host/file_bytes.h"
#include "model/order.h"
#include "statements/statement.h"

class CSistemaCartera;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace cartera::dialogs {

class ImportStatementDialog : public QDialog {
    Q_OBJECT

  public:
    // Reads the statement at path (through the current Env) and plans it against ledger
    // (not owned; must outlive the dialog). A file that cannot be read, or not as the
    // chosen format, shows why and leaves nothing to import. portfolio, the ledger's file,
    // names the portfolio's currency: the one its first import took (remembered in the home
    // folder), which the dialog names, chooses among several and warns against another.
    ImportStatementDialog(CSistemaCartera& ledger, const std::string& path,
                          QWidget* parent = nullptr, const std::string& portfolio = {});
    ~ImportStatementDialog() override;

    // The plan as the choices stand; nullopt while the statement cannot be imported so
    // (Problem() tells why).
    const std::optional<statements::ImportPlan>& Plan() const { return m_plan; }
    QString Problem() const;
    // Adds the plan's movements to the ledger, one change and one save, and accepts the
    // dialog. False, nothing changed, when there is nothing to add.
    bool Import();

    QComboBox* FormatBox() const { return m_format; }
    QComboBox* AccountBox() const { return m_account; }
    QComboBox* CurrencyBox() const { return m_currency; }
    QTableWidget* Preview() const { return m_preview; }
    QLabel* Summary() const { return m_summary; }
    // The portfolio's currency, and a warning when the statement's chosen one is another.
    QLabel* CurrencyNote() const { return m_currencyNote; }
    QPushButton* ImportButton() const { return m_import; }

  private:
    void BuildWidgets();
    // Reads the file as the chosen format, then plans.
    void Read();
    // Plans with the chosen account, currency and fractional choice; fills the preview.
    void Replan();
    void FillChoices();
    void FillPreview();
    // Names the portfolio's currency and warns when the one chosen differs.
    void NoteCurrency();

    CSistemaCartera& m_ledger;
    std::string m_path;
    std::string m_portfolio;
    std::string m_currencyKnown;  // the portfolio's currency; empty before its first import
    FileBytes m_bytes;  // mapped when large: read again for each format chosen, never copied
    std::string m_problem;
    std::optional<statements::Statement> m_statement;
    std::optional<statements::ImportPlan> m_plan;

    QComboBox* m_format = nullptr;
    QComboBox* m_account = nullptr;
    QComboBox* m_currency = nullptr;
    QTableWidget* m_preview = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_currencyNote = nullptr;
    QLabel* m_problemLabel = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QPushButton* m_import = nullptr;
};

// Asks for a statement file, then runs the dialog on it for the portfolio file portfolio.
// True when movements were added.
bool ImportStatementWithDialog(CSistemaCartera& ledger, QWidget* parent,
                               const std::string& portfolio);

}  // namespace cartera::dialogs
