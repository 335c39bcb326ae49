#pragma once

// A skinned single-line text entry, the in-place editor of grid cells. While it is open its owner
// hands it every key and character first. It types printable characters at the caret; Backspace
// and Delete erase around the caret (a surrogate pair as one character); Left, Right, Home and End
// move the caret; Enter ends the edit keeping the text, Escape ends it discarding the text. Every
// other key but Tab is swallowed while the entry is open, so that the list under it does not move;
// Tab is left to the owner.
//
// Properties (kind or named record), the current values serving as defaults: "Normal" (picture
// behind the text, font, and colour of the text and of the caret; the font defaults to the
// window's default font), "BorderMin", "BorderMax" (points, BorderMax defaulting to BorderMin:
// the text's insets). A text wider than the box scrolls so that the caret stays visible.
//
// User-interface thread only.

#include "skinner/control.h"

#include <functional>
#include <string>

namespace skinner {

class ControlEdit : public Control {
public:
    // Told when Enter (keep = true) or Escape (keep = false) ends the edit.
    using Finished = std::function<void(bool keep)>;

    ControlEdit(Container& container, std::u16string_view name, LookupMode mode);

    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    bool on_char(std::u16string_view text) override;
    bool on_key_down(int32_t key) override;
    void on_skin_changed() override;

    // Replaces the text and puts the caret at its end.
    void set_text(std::u16string_view text);
    const std::u16string& text() const { return m_text; }
    // The caret's index in the text (UTF-16 code units).
    size_t caret() const { return m_caret; }
    void set_on_finished(Finished finished) { m_finished = std::move(finished); }
    // Tells the owner that the edit ends (see Finished).
    void finish(bool keep);

private:
    void read_edit_properties();
    // The caret index one character before / after index.
    size_t previous_boundary(size_t index) const;
    size_t next_boundary(size_t index) const;
    bool edit_key(int32_t key);

    Picture m_picture;
    Font m_font;
    Color m_color;
    Point m_border_min;
    Point m_border_max;
    std::u16string m_text;
    size_t m_caret = 0;
    Finished m_finished;
};

} // namespace skinner
