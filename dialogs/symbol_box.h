#pragma once
// The symbol box of the entry pages: a drop-down with an edit field listing securities
// (decimals, quote code, display name). Picking an entry or typing a code or name and
// pressing Enter chooses a security: a typed text is looked up among what the market-data
// service offers through the box's link (catalogue, the portfolio's own codes, codes with a
// published price); a code none of them knows is taken as typed, "CODE Name" naming it.
// Emptying the field drops the choice. The box remembers the securities added to it in a
// cache file (one "code<TAB>name<TAB>decimals" line each) and lists them again.
#include <QComboBox>
#include <string>

#include "host/context.h"

class CObjectZorb;

// One entry of the box.
struct CComboConsultaData {
    int decimals = 0;
    std::string code;
    std::string name;
};

class CSymbolComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit CSymbolComboBox(QWidget* parent = nullptr);

    // The cache file at path on env (not owned, outlives the box); none without a path.
    void SetCacheFile(cartera::Env* env, const std::string& path) {
        m_cacheEnv = env;
        m_cacheFile = path;
    }
    const std::string& GetCacheFile() const { return m_cacheFile; }
    // The link whose service answers typed look-ups (not owned); without one the current
    // service does.
    void SetEnlaceZORB(CObjectZorb* link) { m_link = link; }

    // Adds entry (or finds the entry with its code), makes it the current selection and
    // remembers it in the cache file. The flags are kept for the callers' sake; unused.
    void AddSymbol(const CComboConsultaData& entry, int, int, int);
    // Adds entry as the first item (unless listed already) and selects it, without touching
    // the cache file.
    void AddPlainEntry(const CComboConsultaData& entry);
    // The entry at index (-1: the current selection); an empty entry when none.
    CComboConsultaData GetEntry(int index) const;
    std::string GetCodigoCompleto(int index) const { return GetEntry(index).code; }
    int GetDecimales(int index) const { return GetEntry(index).decimals; }
    // Empties the box; LoadFromCache lists the cache file's securities (nothing selected).
    void Reset();
    void LoadFromCache();

    // Look-ups run at once: never a query running.
    int GetActiveQuery() const { return 0; }
    // Non-zero while the last typed text could not be taken as a security.
    int GetLastError() const { return m_lastError; }
    // Chooses the security text names: an offered one with that exact code, else with that
    // exact name, else the typed code itself (2 decimals). Only a text no code can be (over
    // 40 characters, a comma, a quote or a control character) fails.
    void RunQuery(const std::string& text);

  protected:
    virtual void OnSearchFailed(int error) {}
    virtual void OnSymbolSelected(const CComboConsultaData& entry) {}
    void keyPressEvent(QKeyEvent* e) override;
    // Gives the focus to the next field of the chain that is not a button.
    void FocusNextField();

  private:
    void OnActivated(int index);
    void OnTextEntered();
    // Selects index and shows its name from the start.
    void ShowChoice(int index);
    void Remember(const CComboConsultaData& entry) const;

    cartera::Env* m_cacheEnv = nullptr;
    std::string m_cacheFile;
    CObjectZorb* m_link = nullptr;
    int m_lastError = 0;
    std::string m_queried;  // the typed text last looked up
};

// The portfolio's symbol box: remembers the chosen security and tells the page holding it
// (a CPropertyPageBase) when it changes. All portfolio boxes share one cache file.
class CPortfolioCBox : public CSymbolComboBox {
    Q_OBJECT

  public:
    // Its cache file is ctx's (on ctx's file system, which outlives the box).
    explicit CPortfolioCBox(const cartera::Context& ctx, QWidget* parent = nullptr);
    // The host folder of path kind 10 in ctx followed directly by "PortfolioCache.txt".
    static std::string CacheFile(const cartera::Context& ctx);

    // The chosen security.
    const CComboConsultaData& Chosen() const { return m_chosen; }
    void SetChosen(const CComboConsultaData& entry) { m_chosen = entry; }

  protected:
    void OnSearchFailed(int) override;
    void OnSymbolSelected(const CComboConsultaData& entry) override;

  private:
    CComboConsultaData m_chosen;
};
