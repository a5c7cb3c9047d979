#include "app/TfmQoClean.h"

TfmQoClean::TfmQoClean(TfmMain* owner, QWidget* parent)
    : QWidget(parent)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("fmQoClean"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
}

bool TfmQoClean::TransferData(bool /*save*/)
{
    // The page's controls arrive with its own work; until then every transfer succeeds.
    return true;
}
