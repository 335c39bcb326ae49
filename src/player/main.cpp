// melodeck: the player. See player/start_up.h for the command line.

#include "player/start_up.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<player::CommandLine> command_line = player::parse_command_line(args, error);
    if (!command_line) {
        std::fprintf(stderr,
            "melodeck: %s\n"
            "usage: melodeck [--screen WxH] [--platform pocketpc|smartphone] [--headless]\n"
            "                [--screenshot FILE.png] [--script FILE] [PATH]\n",
            error.c_str());
        return 2;
    }
    return player::start_up(*command_line);
}
