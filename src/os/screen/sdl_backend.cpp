#include "os/screen/sdl_backend.h"

#include "liba/text.h"
#include "os/log.h"
#include "os/screen.h"
#include "os/screen/gamepad.h"
#include "os/screen/sdl_keys.h"
#include "os/screen/sdl_library.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>

namespace os {

namespace {

constexpr int32_t s_max_scale = 8;
// The longest the loop sleeps, so the title bar's clock turns over on time.
constexpr int64_t s_max_wait_ms = 1000;

SDL_SystemCursor system_cursor(Cursor cursor)
{
    switch (cursor) {
    case Cursor::arrow:
        return SDL_SYSTEM_CURSOR_ARROW;
    case Cursor::hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case Cursor::ibeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case Cursor::size_nesw:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case Cursor::size_ns:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case Cursor::size_nwse:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case Cursor::size_we:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case Cursor::wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case Cursor::size_all:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case Cursor::no:
        return SDL_SYSTEM_CURSOR_NO;
    case Cursor::help: // SDL has no help cursor; the arrow is the closest
        return SDL_SYSTEM_CURSOR_ARROW;
    case Cursor::app_starting:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

class SdlBackend final : public ScreenBackend {
public:
    ~SdlBackend() override;
    bool open(Size size, std::string& error);

    void attach(Screen& screen) override;
    int64_t now_ms() override { return int64_t(sdl().SDL_GetTicks64()); }
    int32_t minutes_of_day() override;
    void poll() override;
    bool wait(int64_t deadline_ms) override;
    void wake() override;
    void present(const Surface& frame) override;
    void set_cursor(Cursor cursor) override;
    void resized(Size size) override;
    bool echo_message_boxes() const override { return false; }

private:
    void handle(const SDL_Event& event);
    void handle_window(const SDL_WindowEvent& event);
    bool make_texture(Size size);
    void show_texture();

    Screen* m_screen = nullptr;
    bool m_video = false;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    Size m_size;
    int32_t m_scale = 1;
    uint32_t m_wake_event = 0;
    std::array<SDL_Cursor*, 12> m_cursors {};
    std::unique_ptr<Gamepads> m_gamepads;
};

SdlBackend::~SdlBackend()
{
    m_gamepads.reset();
    for (SDL_Cursor* cursor : m_cursors) {
        if (cursor)
            sdl().SDL_FreeCursor(cursor);
    }
    if (m_texture)
        sdl().SDL_DestroyTexture(m_texture);
    if (m_renderer)
        sdl().SDL_DestroyRenderer(m_renderer);
    if (m_window)
        sdl().SDL_DestroyWindow(m_window);
    if (m_video)
        sdl().SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int32_t scale_to_fit(Size size)
{
    SDL_Rect usable;
    if (sdl().SDL_GetDisplayUsableBounds(0, &usable) != 0 || size.empty())
        return 1;
    // Leave room for the desktop's window decorations.
    int32_t by_width = usable.w * 9 / 10 / size.width;
    int32_t by_height = usable.h * 9 / 10 / size.height;
    return std::clamp(std::min(by_width, by_height), 1, s_max_scale);
}

bool SdlBackend::open(Size size, std::string& error)
{
    const char* why = nullptr;
    if (!load_sdl(&why)) {
        error = std::string("no display: ") + why;
        return false;
    }
    if (sdl().SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display: ") + sdl().SDL_GetError();
        return false;
    }
    m_video = true;
    m_size = size;
    m_scale = scale_to_fit(size);
    m_window = sdl().SDL_CreateWindow("Melodeck", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
        size.width * m_scale, size.height * m_scale, SDL_WINDOW_RESIZABLE);
    if (m_window)
        m_renderer = sdl().SDL_CreateRenderer(m_window, -1, 0);
    if (m_window && !m_renderer)
        m_renderer = sdl().SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!m_renderer || !make_texture(size)) {
        error = std::string("cannot open the screen window: ") + sdl().SDL_GetError();
        return false;
    }
    m_wake_event = sdl().SDL_RegisterEvents(1);
    sdl().SDL_StartTextInput();
    return true;
}

bool SdlBackend::make_texture(Size size)
{
    if (m_texture)
        sdl().SDL_DestroyTexture(m_texture);
    m_texture = sdl().SDL_CreateTexture(
        m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, size.width, size.height);
    // The renderer maps mouse coordinates back into device pixels.
    sdl().SDL_RenderSetLogicalSize(m_renderer, size.width, size.height);
    sdl().SDL_RenderSetIntegerScale(m_renderer, SDL_TRUE);
    return m_texture != nullptr;
}

void SdlBackend::attach(Screen& screen)
{
    m_screen = &screen;
    m_gamepads = std::make_unique<Gamepads>(screen, Gamepads::Signals::sdl);
}

int32_t SdlBackend::minutes_of_day()
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    if (!localtime_r(&now, &local))
        return 0;
    return local.tm_hour * 60 + local.tm_min;
}

void SdlBackend::poll()
{
    SDL_Event event;
    while (sdl().SDL_PollEvent(&event))
        handle(event);
    if (m_gamepads)
        m_gamepads->repeat(now_ms());
}

bool SdlBackend::wait(int64_t deadline_ms)
{
    int64_t timeout = s_max_wait_ms;
    if (int64_t repeat = m_gamepads ? m_gamepads->next_deadline() : -1; repeat >= 0)
        deadline_ms = deadline_ms < 0 ? repeat : std::min(deadline_ms, repeat);
    if (deadline_ms >= 0)
        timeout = std::clamp<int64_t>(deadline_ms - now_ms(), 0, s_max_wait_ms);
    SDL_Event event;
    if (sdl().SDL_WaitEventTimeout(&event, int(timeout)))
        handle(event);
    poll();
    return true;
}

void SdlBackend::wake()
{
    SDL_Event event {};
    event.type = m_wake_event;
    sdl().SDL_PushEvent(&event);
}

void SdlBackend::present(const Surface& frame)
{
    if (frame.width != m_size.width || frame.height != m_size.height)
        return;
    sdl().SDL_UpdateTexture(m_texture, nullptr, frame.pixels.data(), frame.width * int(sizeof(uint32_t)));
    show_texture();
}

void SdlBackend::show_texture()
{
    sdl().SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    sdl().SDL_RenderClear(m_renderer);
    sdl().SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    sdl().SDL_RenderPresent(m_renderer);
}

void SdlBackend::set_cursor(Cursor cursor)
{
    SDL_Cursor*& cached = m_cursors[size_t(cursor)];
    if (!cached)
        cached = sdl().SDL_CreateSystemCursor(system_cursor(cursor));
    if (cached)
        sdl().SDL_SetCursor(cached);
}

void SdlBackend::resized(Size size)
{
    m_size = size;
    if (!make_texture(size))
        log() << u"Screen texture for the new size failed {" << liba::from_utf8(sdl().SDL_GetError())
              << u"}\n";
}

void SdlBackend::handle(const SDL_Event& event)
{
    if (!m_screen)
        return;
    switch (event.type) {
    case SDL_QUIT:
        m_screen->post_quit();
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT)
            break;
        PointerButton button
            = event.button.button == SDL_BUTTON_LEFT ? PointerButton::left : PointerButton::right;
        Point point {event.button.x, event.button.y};
        if (event.type == SDL_MOUSEBUTTONDOWN)
            m_screen->input_pointer_down(button, point);
        else
            m_screen->input_pointer_up(button, point);
        break;
    }
    case SDL_MOUSEMOTION:
        m_screen->input_pointer_move({event.motion.x, event.motion.y});
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (uint32_t key = sdl_virtual_key(event.key.keysym.sym))
            m_screen->input_key(key, event.type == SDL_KEYDOWN, event.key.repeat != 0);
        break;
    case SDL_TEXTINPUT:
        m_screen->input_text(liba::from_utf8(event.text.text));
        break;
    case SDL_WINDOWEVENT:
        handle_window(event.window);
        break;
    default:
        if (m_gamepads)
            m_gamepads->handle(event);
        break;
    }
}

void SdlBackend::handle_window(const SDL_WindowEvent& event)
{
    if (event.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        // The scale stays; the device screen takes the new room.
        m_screen->input_resize({event.data1 / m_scale, event.data2 / m_scale});
    } else if (event.event == SDL_WINDOWEVENT_EXPOSED) {
        show_texture();
    }
}

} // namespace

std::unique_ptr<ScreenBackend> create_sdl_backend(Size size, std::string& error)
{
    auto backend = std::make_unique<SdlBackend>();
    if (!backend->open(size, error))
        return nullptr;
    return backend;
}

} // namespace os
