// The contact detail dialog.
#pragma once

#include <QDialog>

struct CommAddrRecord;
class CxGAddrUtil;

// Shows one contact in its detail dialog, modally, owned by owner.
void ShowContactDetail(QWidget* owner, CommAddrRecord* pRecord, CxGAddrUtil* pUtil);
