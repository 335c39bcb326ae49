#pragma once

// The application object: one per process, it keeps the program to a single running copy.
//
// Its instance name, "SkinnerClass_" + the application name ("SkinnerClass_Melodeck"), names the
// forms' window class and two files in the user's runtime folder ($XDG_RUNTIME_DIR when it is an
// absolute path to a folder of ours that nobody else may enter, else /tmp/melodeck-<uid>, made
// with mode 0700 and refused when someone else owns it or may enter it):
//   - "<instance>.lock", locked with flock() as the start-up mutex: check_running waits for it
//     without a time limit and release_startup lets it go, so a copy started while another is
//     still building its form waits and then finds it. The lock dies with its process.
//   - "<instance>.socket", where the running copy listens. A later copy connects and sends its
//     command line as the copy-data message (data word 0, UTF-16 text without a terminating zero):
//         uint32 data word, uint32 byte count (both little-endian), the bytes.
//     The running copy's listener thread posts it to the current screen (Screen::
//     post_copy_data_to_current, as WM_COPYDATA to the window of the instance's class, whose form
//     comes to the front) and answers one byte. A socket file nobody listens on (a killed copy's)
//     is removed and taken over.
// When the runtime folder or the socket cannot be used, the check is logged and the copy runs as
// the only one.
//
// Constructing a second application object while one exists, or an instance name longer than 38
// characters, is a fatal error ("instance != 0", "Application name is too long. Sorry." at
// "Application::Application").
//
// User-interface thread, except the listener thread, which only reads the socket and posts.

#include "liba/nocopy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace os {

class Application : private liba::Nocopy {
public:
    explicit Application(std::u16string_view name);
    // release_startup(), stops listening (removing the socket file when it is still ours) and
    // clears the instance.
    ~Application();

    static Application* instance();
    const std::u16string& instance_name() const { return m_instance_name; }

    // Takes the start-up lock (waiting as long as another copy holds it) and shows the wait cursor
    // on the current screen. True when another copy runs and got command_line: the caller exits
    // without a form. False when this is the only copy: it now listens for later copies and keeps
    // the lock until release_startup.
    bool check_running(std::u16string_view command_line);
    // Clears the cursor (back to the arrow on the current screen) and lets the start-up lock go;
    // again does nothing more.
    void release_startup();

    // The files of the single-instance check; empty when there is no usable runtime folder.
    const std::string& lock_path() const { return m_lock_path; }
    const std::string& socket_path() const { return m_socket_path; }

private:
    class Listener;

    // True when a running copy took the command line.
    bool hand_over(std::u16string_view command_line);
    void listen();

    std::u16string m_instance_name;
    std::string m_lock_path;
    std::string m_socket_path;
    int m_lock = -1;
    std::unique_ptr<Listener> m_listener;
    // The listening socket's file, to remove it only while it is still this copy's.
    uint64_t m_socket_device = 0;
    uint64_t m_socket_inode = 0;
};

} // namespace os
