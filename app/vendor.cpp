#include "app/vendor.h"

QString AdvertisementAddress() {
    return QStringLiteral("http://") + VendorHost() + QStringLiteral("/ad/201072836_1.html");
}

QString UpdateNoticeAddress() {
    return QStringLiteral("http://") + VendorHost() + QStringLiteral("/SiteBack/updateTxt/36.txt");
}
