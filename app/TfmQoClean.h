// The wizard's deletion page.
#pragma once

#include <QWidget>

class TfmQoClean : public QWidget
{
    Q_OBJECT
public:
    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoClean(QWidget* parent);

    // false: show the current state in the controls; true: take the controls' values. False
    // keeps the wizard where it is.
    bool TransferData(bool save);
};
