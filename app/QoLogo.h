// The product logo, drawn rather than shipped as an image file.
#pragma once

#include <QPixmap>

QPixmap MakeQoLogo(int size);
