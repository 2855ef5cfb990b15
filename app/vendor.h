#pragma once
// The vendor's web server: the advertisement page and the update notice live there. The host
// (host or host:port) is one build setting, KORVELLA_VENDOR_HOST; tests link a host of their own.

#include <QString>

QString VendorHost();

QString AdvertisementAddress();
QString UpdateNoticeAddress();
