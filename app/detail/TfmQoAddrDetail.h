// The contact detail dialog: everything worth reading of one contact, so that the user can judge a
// duplicate before deleting it. It only reads the record; what is typed into its boxes is dropped.
#pragma once

#include "common/google/records/ContactFields.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
struct CommAddrRecord;
struct GAddrRecord;
class CxGAddrUtil;

// The boxes of one address page (Work, Home or Other).
struct TAddrPageBoxes
{
    QPlainTextEdit* memStreet = nullptr;
    QLineEdit* edtCity = nullptr;
    QLineEdit* edtState = nullptr;
    QLineEdit* edtCountry = nullptr;
    QLineEdit* edtPostal = nullptr;
};

class TfmQoAddrDetail : public QDialog
{
    Q_OBJECT
public:
    explicit TfmQoAddrDetail(QWidget* owner);

    // Call before SetRecord, which fills the controls at once.
    void SetUtil(CxGAddrUtil* pUtil);
    // Takes the record and its attached contact (none for a null record), then fills the controls.
    void SetRecord(CommAddrRecord* pRecord);
    // Fills every control from the attached contact; false, touching nothing, when the contact or the
    // utility is missing.
    bool TransferData();

    void btnCloseClick();
    // Remembers the shown duplicate and the record its group keeps as not duplicates and closes the
    // dialog with kKeptApartResult.
    void btnNotDuplicateClick();

    QPushButton* btnClose = nullptr;
    // Shown only for a duplicate; disabled when the pair cannot be remembered (no identity).
    QPushButton* btnNotDuplicate = nullptr;
    QLineEdit* edtDisplayName = nullptr;
    QLineEdit* edtCompany = nullptr;
    QLineEdit* edtTitle = nullptr;
    QTabWidget* pMain = nullptr;
    QWidget* tPhone = nullptr;
    QTreeWidget* lvPhone = nullptr;
    QTabWidget* pAddr = nullptr;
    QTreeWidget* lvCustom = nullptr;
    QPlainTextEdit* memNotes = nullptr;
    QTreeWidget* lvMisc = nullptr;

private:
    void BuildControls();
    QWidget* BuildNameRow();
    QWidget* BuildAddressPage(int page);
    void FillAddresses();
    void FillCustom();

    CommAddrRecord* m_pRecord = nullptr;
    GAddrRecord* m_pContact = nullptr; // m_pRecord's attachment
    CxGAddrUtil* m_pUtil = nullptr;
    // The address pages by the type code they show, less one: Home, Work, Other.
    TAddrPageBoxes m_addrPages[ADDRESS_OTHER];
};

// Shows one contact in its detail dialog, modally, owned by owner.
// True when the user closed it with "Not a duplicate": the pair is remembered and the opener's
// duplicates are out of date.
bool ShowContactDetail(QWidget* owner, CommAddrRecord* pRecord, CxGAddrUtil* pUtil);
