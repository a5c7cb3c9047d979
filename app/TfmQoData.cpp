#include "app/TfmQoData.h"

TfmQoData::TfmQoData(TfmMain* owner, QWidget* parent)
    : QWidget(parent)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("fmQoData"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
}

bool TfmQoData::TransferData(bool /*save*/)
{
    // The page's controls arrive with its own work; until then every transfer succeeds.
    return true;
}
