#include "app/vendor.h"

QString VendorHost() {
    return QStringLiteral(KORVELLA_VENDOR_HOST);
}
