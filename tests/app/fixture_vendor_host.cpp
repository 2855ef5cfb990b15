// The vendor host of the test fixtures: read from the environment, so that a test can serve the
// advertisement page and the update notice on a port it picked. The program itself has its host
// built in (app/vendor_host.cpp).

#include "app/vendor.h"

QString VendorHost() {
    return qEnvironmentVariable("KORVELLA_FIXTURE_VENDOR_HOST");
}
