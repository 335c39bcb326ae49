#pragma once

// Points the switch store ($XDG_CONFIG_HOME) at a fresh folder while it lives and switches the log on
// and reads it; at the end the log is switched off and removed and the environment restored.

#include "support/scoped_env.h"
#include "support/test_support.h"

namespace test {

class ScopedConfig {
public:
    ScopedConfig();
    ~ScopedConfig();
    ScopedConfig(const ScopedConfig&) = delete;
    ScopedConfig& operator=(const ScopedConfig&) = delete;

    const TempDir& folder() const { return m_folder; }

    // Sets Log under the program's switch key and calls log() so the change takes effect.
    void set_logging(bool on);
    // The log file: the executable's full name + ".txt".
    static std::filesystem::path log_file();
    // The log's text after its FF FE mark; empty when the file is missing.
    static std::u16string log_text();

private:
    TempDir m_folder;
    // Put back after the destructor has switched the log off in the folder.
    ScopedEnv m_config_home {"XDG_CONFIG_HOME", m_folder.path().c_str()};
};

} // namespace test
