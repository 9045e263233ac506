#include <gtest/gtest.h>

#include <string>

#include "install/install.h"
#include "install/locations.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"

namespace qv {
namespace {

using testing::FakeHost;

struct UninstallCase {
    const char* name;
    bool file_present;
    bool read_only;
    bool attrib_clears;
    bool locked;
    bool deleted;
};

class Uninstall : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(Uninstall, OneDeleteAfterThePauseAndOneBox) {
    const UninstallCase& c = GetParam();
    FakeHost host;
    const Text region_list = locations::region_list_file(host);
    const Text settings = locations::game_settings_file(host);
    host.add_file(settings, "settings");
    if (c.file_present) host.add_file(region_list, "[]");
    host.set_read_only(region_list, c.read_only);
    host.set_locked(region_list, c.locked);
    host.attrib_clears_attributes = c.attrib_clears;
    std::size_t operations_before_pause_ended = 99;
    host.during_pause = [&] { operations_before_pause_ended = host.file_operations.size(); };

    uninstall_click(host);

    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].line, locations::attribute_clearing_command(host));
    EXPECT_FALSE(host.commands[0].wait);
    EXPECT_EQ(host.commands[0].show_mode, show::kHidden);
    EXPECT_EQ(host.pauses, std::vector<int>{100});
    EXPECT_EQ(operations_before_pause_ended, 0u) << "the delete comes after the pause";
    EXPECT_EQ(host.file_operations, std::vector<std::string>{"delete " + FakeHost::resolve(region_list)});
    EXPECT_EQ(host.has_file(region_list), c.file_present && !c.deleted);
    EXPECT_TRUE(host.has_file(settings)) << "only regionInfo.json goes";
    EXPECT_TRUE(host.has_folder(locations::game_data_folder(host)));

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, Text("卸载结果："));
    EXPECT_EQ(host.boxes[0].text, Text(c.deleted ? "卸载成功。" : "卸载失败，请重试并检查权限或未曾安装。"));
    EXPECT_EQ(host.boxes[0].flags, c.deleted ? box::kExclamation : box::kError);
    EXPECT_TRUE(host.property_writes.empty()) << "the button is never disabled";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Uninstall,
    ::testing::Values(UninstallCase{"installed", true, false, true, false, true},
                      UninstallCase{"read_only_cleared_by_attrib", true, true, true, false, true},
                      UninstallCase{"read_only_still_set", true, true, false, false, false},
                      UninstallCase{"nothing_installed", false, false, true, false, false},
                      UninstallCase{"held_open_by_the_game", true, false, true, true, false}),
    testing::CaseName());

TEST(Uninstall, SecondClickSucceedsOnceTheMarkIsGone) {
    FakeHost host;
    const Text region_list = locations::region_list_file(host);
    host.add_file(region_list, "[]");
    host.set_read_only(region_list);
    host.attrib_clears_attributes = false;
    uninstall_click(host);
    host.attrib_clears_attributes = true;
    uninstall_click(host);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].flags, box::kError);
    EXPECT_EQ(host.boxes[1].text, Text("卸载成功。"));
    EXPECT_FALSE(host.has_file(region_list));
}

}  // namespace
}  // namespace qv
