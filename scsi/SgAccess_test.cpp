#include "SgAccess.h"
#include "SgTestDirectory.h"
#include "SgTransport.h"

#include <cerrno>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon::scsi {
namespace {

TEST(SgAccess, AdviceNamesTheNodesAndTheirGroup) {
    EXPECT_EQ(sgAccessAdvice({}), "");
    EXPECT_TRUE(isAccessRefusal(EACCES));
    EXPECT_FALSE(isAccessRefusal(ENOENT));

    const group* disk = ::getgrnam("disk");
    if (disk == nullptr || ::geteuid() != 0) {
        GTEST_SKIP() << "needs the group disk and the right to give it a file";
    }
    TempDir dir;
    const std::string sg0 = dir.path() + "/sg0";
    const std::string sg1 = dir.path() + "/sg1";
    dir.touch("sg0");
    dir.touch("sg1");
    ASSERT_EQ(::chown(sg0.c_str(), 0, disk->gr_gid), 0);
    ASSERT_EQ(::chown(sg1.c_str(), 0, disk->gr_gid), 0);

    EXPECT_EQ(sgAccessAdvice({sg0}),
              sg0 + " cannot be opened: permission denied, so real drives cannot be reached. The "
                    "sg nodes belong to the group \"disk\"; add yourself to it (sudo adduser "
                    "$USER disk) and log in again.");
    EXPECT_EQ(sgAccessAdvice({sg0, sg1}).rfind(sg0 + " and 1 other sg node cannot", 0), 0);
}

// A user without the rights to the nodes is told so; root is made such a user
// in a child process.
TEST(SgAccess, TransportCollectsTheRefusedNodes) {
    TempDir dir;
    dir.touch("sg0");
    namespace fs = std::filesystem;
    fs::permissions(dir.path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir.path() + "/sg0", fs::perms::none);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                std::exit(2);
            }
            SgTransport transport(dir.path(), dir.path());
            transport.open();
            std::exit(transport.accessAdvice().rfind(dir.path() + "/sg0 cannot be opened", 0) == 0
                          ? 0
                          : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(SgAccess, NodesThatAreNotSgNeedNoAdvice) {
    TempDir dir;
    dir.touch("sg0");
    SgTransport transport(dir.path(), dir.path());
    transport.open();
    EXPECT_EQ(transport.accessAdvice(), "");
}

} // namespace
} // namespace quillon::scsi
