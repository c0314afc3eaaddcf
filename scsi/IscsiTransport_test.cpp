#include "IscsiTransport.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::scsi {
namespace {

TEST(IscsiTransportTest, WithoutUrlsItIsAbsentAndABadUrlIsRefusedAtOnce) {
    IscsiTransport none(std::vector<std::string>{});
    EXPECT_EQ(none.open(), Transport::Presence::Absent);
    EXPECT_EQ(none.adapterCount(), 0);
    EXPECT_THROW(IscsiTransport({"iscsi://host/iqn.x/1", "iscsi://u%pw@host"}),
                 std::invalid_argument);
}

} // namespace
} // namespace quillon::scsi
