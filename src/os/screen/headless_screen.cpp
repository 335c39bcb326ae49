#include "os/screen/headless_screen.h"

#include "os/screen/headless_backend.h"

namespace os {

HeadlessScreen::HeadlessScreen(Size size)
    : Screen(size, std::make_unique<HeadlessBackend>())
{
}

HeadlessBackend& HeadlessScreen::headless()
{
    return static_cast<HeadlessBackend&>(backend());
}

const HeadlessBackend& HeadlessScreen::headless() const
{
    return static_cast<const HeadlessBackend&>(backend());
}

void HeadlessScreen::advance(int64_t ms)
{
    headless().advance(ms);
}

void HeadlessScreen::set_idle_handler(std::function<bool()> handler)
{
    headless().set_idle_handler(std::move(handler));
}

int64_t HeadlessScreen::idle_deadline() const
{
    return headless().idle_deadline();
}

void HeadlessScreen::press(Point point)
{
    input_pointer_down(PointerButton::left, point);
}

void HeadlessScreen::release(Point point)
{
    input_pointer_up(PointerButton::left, point);
}

void HeadlessScreen::move_to(Point point)
{
    input_pointer_move(point);
}

void HeadlessScreen::tap(Point point)
{
    press(point);
    release(point);
}

void HeadlessScreen::hold(Point point)
{
    press(point);
    advance(s_hold_ms);
    release(point);
}

void HeadlessScreen::right_tap(Point point)
{
    input_pointer_down(PointerButton::right, point);
    input_pointer_up(PointerButton::right, point);
}

void HeadlessScreen::key_down(uint32_t virtual_key)
{
    input_key(virtual_key, true);
}

void HeadlessScreen::key_up(uint32_t virtual_key)
{
    input_key(virtual_key, false);
}

void HeadlessScreen::key(uint32_t virtual_key)
{
    key_down(virtual_key);
    key_up(virtual_key);
}

void HeadlessScreen::type(std::u16string_view text)
{
    input_text(text);
}

void HeadlessScreen::resize(Size size)
{
    input_resize(size);
}

void HeadlessScreen::copy_data(std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes)
{
    post_copy_data(std::move(class_name), data_word, std::move(bytes));
}

uint64_t HeadlessScreen::frames_presented() const
{
    return headless().presented();
}

Cursor HeadlessScreen::shown_cursor() const
{
    return headless().shown_cursor();
}

} // namespace os
