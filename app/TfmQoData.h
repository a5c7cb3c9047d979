// The wizard's review page.
#pragma once

#include <QWidget>

class TfmMain;

class TfmQoData : public QWidget
{
    Q_OBJECT
public:
    // owner is the main window that creates and destroys the page; parent is the panel it fills.
    TfmQoData(TfmMain* owner, QWidget* parent);

    // false: show the current state in the controls; true: take the controls' values. False
    // keeps the wizard where it is.
    bool TransferData(bool save);

private:
    TfmMain* m_owner;
};
