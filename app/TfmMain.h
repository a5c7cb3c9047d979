// The main window: banner, the three wizard pages and the button bar.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class TfmQoSource;
class TfmQoData;
class TfmQoClean;

class TfmMain : public QWidget
{
    Q_OBJECT
public:
    explicit TfmMain(QWidget* parent = nullptr);
    ~TfmMain() override;

    void GoToPage(int page);
    void ShowPage();
    void SetStepText(const QString& text);

    int CurrentPage() const { return m_nCurPage; }
    TfmQoSource* SourcePage() const { return m_fmSource; }
    TfmQoData* DataPage() const { return m_fmData; }
    TfmQoClean* CleanPage() const { return m_fmClean; }

    // Fill and empty the service set (see app/ServiceSet.h); the account page loads through the
    // main window. Virtual so a test can make the load fail or throw (for testing).
    virtual bool LoadServices();
    void FreeServices();

    void btnHelpClick();
    void btnDebugClick();
    void btnPrevClick();
    void btnNextClick();
    void btnCancelClick();

private:
    void BuildControls();
    void FormCreate();
    void FormDestroy();

    TfmQoSource* m_fmSource = nullptr;
    TfmQoData* m_fmData = nullptr;
    TfmQoClean* m_fmClean = nullptr;
    int m_nCurPage = 0;

    QWidget* pTop = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblStep = nullptr;
    QWidget* pClient = nullptr;
    QWidget* pBottom = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnDebug = nullptr;
    QPushButton* btnPrev = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnCancel = nullptr;
};

// The main window while it exists, for pages and dialogs that report to it.
extern TfmMain* fmMain;
