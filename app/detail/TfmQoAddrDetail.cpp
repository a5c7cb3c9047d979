#include "app/detail/TfmQoAddrDetail.h"

void ShowContactDetail(QWidget* /*owner*/, CommAddrRecord* /*pRecord*/, CxGAddrUtil* /*pUtil*/) {}
