#include "os/application.h"

#include "liba/little_endian.h"
#include "liba/text.h"
#include "os/fatal_error.h"
#include "os/log.h"
#include "os/screen.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

Application* s_instance = nullptr;

// Window class names are compared through a buffer of 40 units.
constexpr size_t s_max_instance_name = 38;
// A command line longer than this is not taken.
constexpr uint32_t s_max_command_bytes = 1u << 20;
// How long either side of a hand-over waits for the other.
constexpr int s_hand_over_ms = 3000;
constexpr uint8_t s_taken = 1;

// A folder of ours that nobody else may enter (never a link someone put in our way).
bool private_folder(const std::string& path)
{
    struct stat status { };
    if (lstat(path.c_str(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == getuid() && (status.st_mode & 077) == 0;
}

std::string runtime_folder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && private_folder(runtime))
        return runtime;
    std::string fallback = "/tmp/melodeck-" + std::to_string(getuid());
    if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return private_folder(fallback) ? fallback : std::string();
}

bool socket_address(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int64_t now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits until fd is ready for events or the deadline (now_ms() time) passes.
bool wait_ready(int fd, short events, int64_t deadline)
{
    for (;;) {
        int64_t left = deadline - now_ms();
        if (left <= 0)
            return false;
        pollfd watch {fd, events, 0};
        int ready = poll(&watch, 1, int(left));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// Moves size bytes through the socket, transfer(offset, count) moving a piece (recv or send),
// each waited for (events) until the deadline. False on an error, a peer that closed, or the
// deadline passed.
template<typename Transfer>
bool transfer_all(int fd, short events, size_t size, int64_t deadline, Transfer transfer)
{
    size_t done = 0;
    while (done < size) {
        if (!wait_ready(fd, events, deadline))
            return false;
        ssize_t moved = transfer(done, size - done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            return false;
        done += size_t(moved);
    }
    return true;
}

bool read_exactly(int fd, uint8_t* bytes, size_t size, int64_t deadline)
{
    return transfer_all(fd, POLLIN, size, deadline,
        [&](size_t offset, size_t count) { return recv(fd, bytes + offset, count, 0); });
}

bool write_all(int fd, const uint8_t* bytes, size_t size, int64_t deadline)
{
    return transfer_all(fd, POLLOUT, size, deadline,
        [&](size_t offset, size_t count) { return send(fd, bytes + offset, count, MSG_NOSIGNAL); });
}

// The copy-data message: data word, byte count, then the text as UTF-16LE without a zero.
std::vector<uint8_t> copy_data_message(uint32_t data_word, std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    liba::append_le32(bytes, data_word);
    liba::append_le32(bytes, uint32_t(text.size() * 2));
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

void close_fd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

// Accepts later copies on the listening socket and posts what they send to the current screen.
class Application::Listener {
public:
    Listener(int socket, std::u16string class_name)
        : m_socket(socket)
        , m_class_name(std::move(class_name))
    {
        if (pipe2(m_wake, O_CLOEXEC) != 0)
            m_wake[0] = m_wake[1] = -1;
        m_thread = std::thread([this] { run(); });
    }

    ~Listener()
    {
        uint8_t stop = 0;
        if (m_wake[1] >= 0)
            (void)!write(m_wake[1], &stop, 1);
        m_thread.join();
        close_fd(m_wake[0]);
        close_fd(m_wake[1]);
        close_fd(m_socket);
    }

private:
    void run()
    {
        for (;;) {
            pollfd watch[2] {{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            int ready = poll(watch, m_wake[0] >= 0 ? 2 : 1, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (watch[1].revents & (POLLIN | POLLHUP)))
                return;
            if (!(watch[0].revents & POLLIN))
                continue;
            int client = accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            serve(client);
            close(client);
        }
    }

    // One copy's message, read within the hand-over time; answered when it was posted.
    void serve(int client)
    {
        ucred peer {};
        socklen_t size = sizeof peer;
        if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid())
            return;
        int64_t deadline = now_ms() + s_hand_over_ms;
        uint8_t header[8];
        if (!read_exactly(client, header, sizeof header, deadline))
            return;
        uint32_t data_word = liba::load_le32(header);
        uint32_t count = liba::load_le32(header + 4);
        if (count > s_max_command_bytes) {
            log() << u"Application: a command line of {" << int64_t(count) << u"} bytes refused\n";
            return;
        }
        std::vector<uint8_t> bytes(count);
        if (!read_exactly(client, bytes.data(), bytes.size(), deadline))
            return;
        if (!Screen::post_copy_data_to_current(m_class_name, data_word, std::move(bytes)))
            return;
        write_all(client, &s_taken, 1, deadline);
    }

    int m_socket;
    std::u16string m_class_name;
    int m_wake[2] {-1, -1};
    std::thread m_thread;
};

Application::Application(std::u16string_view name)
    : m_instance_name(u"SkinnerClass_" + std::u16string(name))
{
    if (s_instance)
        fatal_error(u"Application::Application", u"instance != 0");
    if (m_instance_name.size() > s_max_instance_name)
        fatal_error(u"Application::Application", u"Application name is too long. Sorry.");
    s_instance = this;
    std::string folder = runtime_folder();
    if (folder.empty()) {
        log() << u"Application: no private runtime folder, the single-instance check is off\n";
        return;
    }
    std::string base = folder + "/" + liba::to_utf8(m_instance_name);
    m_lock_path = base + ".lock";
    m_socket_path = base + ".socket";
}

Application::~Application()
{
    release_startup();
    if (m_listener) {
        m_listener.reset();
        // Another copy may have taken the name over since (when this one stopped answering).
        struct stat status { };
        if (lstat(m_socket_path.c_str(), &status) == 0 && uint64_t(status.st_dev) == m_socket_device
            && uint64_t(status.st_ino) == m_socket_inode)
            unlink(m_socket_path.c_str());
    }
    s_instance = nullptr;
}

Application* Application::instance()
{
    return s_instance;
}

bool Application::check_running(std::u16string_view command_line)
{
    if (m_lock < 0 && !m_lock_path.empty()) {
        m_lock = open(m_lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        while (m_lock >= 0 && flock(m_lock, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close_fd(m_lock);
                break;
            }
        }
        if (m_lock < 0)
            log() << u"Application: the start-up lock {" << liba::from_utf8(m_lock_path) << u"} failed\n";
    }
    if (Screen* screen = Screen::current(); screen && screen->on_ui_thread())
        screen->set_cursor(Cursor::wait);
    if (m_socket_path.empty() || m_listener)
        return false;
    if (hand_over(command_line))
        return true;
    listen();
    return false;
}

void Application::release_startup()
{
    if (Screen* screen = Screen::current(); screen && screen->on_ui_thread())
        screen->set_cursor(Cursor::arrow);
    close_fd(m_lock);
}

bool Application::hand_over(std::u16string_view command_line)
{
    sockaddr_un address;
    if (!socket_address(m_socket_path, address))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool taken = false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        int64_t deadline = now_ms() + s_hand_over_ms;
        // The running copy takes no more than this; it does not use the text anyway.
        std::vector<uint8_t> message = copy_data_message(0, command_line.substr(0, s_max_command_bytes / 2));
        uint8_t answer = 0;
        taken = write_all(fd, message.data(), message.size(), deadline)
            && read_exactly(fd, &answer, 1, deadline) && answer == s_taken;
        if (!taken)
            log() << u"Application: the running copy did not take the command line\n";
    }
    close(fd);
    return taken;
}

void Application::listen()
{
    sockaddr_un address;
    if (!socket_address(m_socket_path, address)) {
        log() << u"Application: the socket path {" << liba::from_utf8(m_socket_path) << u"} is too long\n";
        return;
    }
    // Holding the start-up lock, this copy alone may replace a socket nobody answers on.
    unlink(m_socket_path.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct stat status { };
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 8) != 0 || lstat(m_socket_path.c_str(), &status) != 0) {
        log() << u"Application: cannot listen on {" << liba::from_utf8(m_socket_path) << u"}\n";
        if (fd >= 0)
            close(fd);
        return;
    }
    m_socket_device = uint64_t(status.st_dev);
    m_socket_inode = uint64_t(status.st_ino);
    m_listener = std::make_unique<Listener>(fd, m_instance_name);
}

} // namespace os
