// skinc: the skin compiler.
//
//   skinc build SRC.xml OUT.skin   compiles a skin source and its bitmaps into a skin file
//   skinc dump IN.skin [DIR]       prints the source of a skin file; with DIR, copies its
//                                  bitmaps there too, so that the source saved in DIR builds again
//
// Exit status: 0 done, 1 errors (printed to stderr, one per line), 2 wrong usage. Warnings (a
// property that nothing reads) go to stderr too and leave the status 0.

#include "skinc/skin_compiler.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: skinc build SRC.xml OUT.skin\n       skinc dump IN.skin [DIR]\n", stderr);
    return 2;
}

int report(bool done, const std::vector<std::string>& messages)
{
    for (const std::string& line : messages)
        std::fprintf(stderr, "%s\n", line.c_str());
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::vector<std::string> messages;
    if (args.size() == 3 && args[0] == "build")
        return report(skinc::build_skin(args[1], args[2], messages), messages);
    if ((args.size() == 2 || args.size() == 3) && args[0] == "dump") {
        std::filesystem::path folder
            = args.size() == 3 ? std::filesystem::path(args[2]) : std::filesystem::path();
        std::string source;
        bool done = skinc::dump_skin(args[1], args.size() == 3 ? &folder : nullptr, source, messages);
        std::fwrite(source.data(), 1, source.size(), stdout);
        return report(done, messages);
    }
    return usage();
}
