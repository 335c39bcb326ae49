#include "os/fatal_error.h"

#include "liba/text.h"
#include "os/message_box.h"
#include "support/scoped_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

TEST(FatalErrorDeathTest,
    ends_the_process_with_a_failure_showing_message_and_place_through_the_box_and_logs_it)
{
    test::ScopedConfig config;
    EXPECT_EXIT(os::fatal_error(u"PlayerPCM::on_data", u"on_data unexpected - player is active object"),
        test::failed_exit, "PlayerPCM::on_data: on_data unexpected - player is active object");
    EXPECT_FALSE(std::filesystem::exists(test::ScopedConfig::log_file())) << "logging is off";
    config.set_logging(true);
    EXPECT_EXIT(
        os::fatal_error(u"Container::register_control", u"control with id {7} already exists in container"),
        test::failed_exit, "control with id \\{7\\} already exists");
    EXPECT_EQ(test::ScopedConfig::log_text(),
        u"Gluck: control with id {7} already exists in container @ Container::register_control\n");

    // It goes through the installed message box.
    EXPECT_EXIT(
        {
            os::set_message_box_handler([](std::u16string_view text, std::u16string_view caption) {
                std::fprintf(stderr, "handler saw [%s] [%s]\n", liba::to_utf8(caption).c_str(),
                    liba::to_utf8(text).c_str());
            });
            os::fatal_error(u"Where", u"What");
        },
        test::failed_exit, "handler saw \\[Where\\] \\[What\\]");
}
