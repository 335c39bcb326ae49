#include "skinner/control_grid.h"

#include "skinner/container.h"
#include "skinner/control_window.h"

#include <algorithm>

namespace skinner {

GridCellStyle grid_cell_style(bool selected, bool highlighted)
{
    if (selected && highlighted)
        return CellSelectionHighlight;
    if (selected)
        return CellSelection;
    if (highlighted)
        return CellHighlight;
    return CellNormal;
}

// Painter -----------------------------------------------------------------------------------------

ControlGrid::Painter::Painter(ControlGrid& grid)
    : Control(grid.inner(), u"", LookupMode::none)
    , m_grid(grid)
{
    set_want_focus(false);
}

void ControlGrid::Painter::paint(Canvas& canvas, Point, Size)
{
    m_grid.paint_rows(canvas);
}

void ControlGrid::Painter::on_mouse_move(Point point)
{
    m_grid.painter_move(point);
}

void ControlGrid::Painter::on_mouse_leave()
{
    m_grid.highlight(-1, -1);
}

void ControlGrid::Painter::on_button0_down(Point point, bool double_click)
{
    m_grid.painter_down(point, double_click);
}

void ControlGrid::Painter::on_button0_up(Point point, bool)
{
    m_grid.painter_up(point);
}

void ControlGrid::Painter::on_button2_down(Point point, bool)
{
    m_grid.painter_hold(point);
}

// Grid --------------------------------------------------------------------------------------------

ControlGrid::ControlGrid(Container& container, std::u16string_view name, LookupMode mode)
    : ControlPanelAutoScroll(container, name, mode)
{
    std::u16string edit_kind = get_string(u"KindEdit", u"");
    m_painter = std::make_unique<Painter>(*this);
    m_edit = std::make_unique<ControlEdit>(inner(), edit_kind, LookupMode::kind);
    m_edit->set_want_focus(false);
    m_edit->set_visible(false);
    m_edit->set_on_finished([this](bool keep) { end_edit(keep); });
    m_styles[CellNormal].font = window().default_font();
    read_grid_properties();
}

ControlGrid::~ControlGrid()
{
    m_edit.reset();
    m_painter.reset();
}

void ControlGrid::read_grid_properties()
{
    m_item_height = get_int_scaled(u"ItemHeight", m_item_height);
    m_text_border_min = get_point(u"BorderMin", m_text_border_min);
    m_text_border_max = get_point(u"BorderMax", m_text_border_min);
    auto read = [this](std::u16string_view name, const StateStyle& def) {
        return StateStyle {
            get_picture(name, def.picture), get_font(name, def.font), get_color(name, def.color)};
    };
    m_styles[CellNormal] = read(u"ItemNormal", m_styles[CellNormal]);
    m_styles[CellSelection] = read(u"ItemSelection", m_styles[CellNormal]);
    m_styles[CellHighlight] = read(u"ItemHighlight", m_styles[CellNormal]);
    m_styles[CellSelectionHighlight] = read(u"ItemSelectionHighlight", m_styles[CellSelection]);
    m_styles[CellHeader] = read(u"HeaderNormal", m_styles[CellNormal]);
    m_normal = get_picture(u"Normal", m_normal);
    m_highlighted = get_picture(u"Highlighted", m_normal);
    m_disabled = get_picture(u"Disabled", m_normal);
}

void ControlGrid::on_skin_changed()
{
    ControlPanelAutoScroll::on_skin_changed();
    read_grid_properties();
    update_layout();
}

int32_t ControlGrid::column_width(int32_t) const
{
    return -1;
}

void ControlGrid::draw_header(int32_t, Canvas&, Point, Size)
{
}

int32_t ControlGrid::cell_clicked(const GridClick& click)
{
    // Through the grid's own slot: a subclass that overrides it hears the click first; the
    // default passes it on to the container.
    return on_cell_click(*this, click);
}

int32_t ControlGrid::row_indent(int32_t) const
{
    return 0;
}

int32_t ControlGrid::cell_held(const GridClick& click)
{
    return on_cell_hold(*this, click);
}

int32_t ControlGrid::on_indent_click(const GridClick&)
{
    return 0;
}

int32_t ControlGrid::header_clicked(const GridClick& click)
{
    return container().on_header_click(*this, click);
}

int32_t ControlGrid::header_held(const GridClick& click)
{
    return container().on_header_hold(*this, click);
}

int32_t ControlGrid::edit_finished(const GridEdit& edit)
{
    return container().on_edit_finished(*this, edit);
}

void ControlGrid::selection_changed()
{
    container().on_selection_changed(*this);
}

void ControlGrid::repaint_rows()
{
    m_painter->invalidate();
}

int32_t ControlGrid::page_rows() const
{
    return grid_page_rows(m_painter->rect().size.height, header_height(), row_height());
}

void ControlGrid::show_row(int32_t row)
{
    if (row < 0)
        return;
    vertical_bar().set_position(grid_first_showing(row, first_visible_row(), page_rows()));
}

// Layout ------------------------------------------------------------------------------------------

void ControlGrid::set_rect(const Rect& rect)
{
    ControlPanel::set_rect(rect);
    update_layout();
}

void ControlGrid::update_layout()
{
    int32_t rows = std::max(0, row_count());
    int32_t columns = std::max(0, column_count());
    int32_t height = row_height();
    int32_t header = header_height();
    std::vector<int32_t> widths;
    widths.reserve(size_t(columns));
    for (int32_t column = 0; column < columns; ++column)
        widths.push_back(column_width(column));

    int64_t content_height = int64_t(header) + int64_t(height) * rows;
    Size content {int32_t(std::min<int64_t>(grid_fixed_width(widths), INT32_MAX)),
        int32_t(std::clamp<int64_t>(content_height, INT32_MIN, INT32_MAX))};
    layout(*m_painter, rect().position, rect().size, content);
    Size client = m_painter->rect().size;
    m_offsets = grid_column_offsets(widths, client.width);
    if (height > 0) {
        vertical_bar().set_range(0, rows);
        vertical_bar().set_page(page_rows());
        horizontal_bar().set_range(0, m_offsets.back());
        horizontal_bar().set_page(client.width);
    }
    place_edit();
    invalidate();
}

int32_t ControlGrid::on_scroll(Control& bar, int32_t position)
{
    if (&bar != &vertical_bar() && &bar != &horizontal_bar())
        return ControlPanelAutoScroll::on_scroll(bar, position);
    place_edit();
    invalidate();
    return 0;
}

// Painting ----------------------------------------------------------------------------------------

const Picture& ControlGrid::current_background() const
{
    if (!is_enabled())
        return m_disabled;
    if (container().hover() == this)
        return m_highlighted;
    return m_normal;
}

void ControlGrid::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    current_background().draw(canvas, rect().position, rect().size);
    inner().paint(canvas, dirty_position, dirty_size);
    Control::paint(canvas, dirty_position, dirty_size);
}

bool ControlGrid::hit_test(Point point) const
{
    if (!rect().contains(point))
        return false;
    const Picture& background = current_background();
    if (!background.has_image() || !background.is_transparent(point, rect().position, rect().size))
        return true;
    return inner().control_at(point) != nullptr;
}

void ControlGrid::paint_rows(Canvas& canvas)
{
    Rect area = m_painter->rect();
    Rect old_clip = canvas.clip();
    canvas.set_clip(intersect(old_clip, area));
    int32_t scroll = scroll_offset();
    int32_t header = header_height();
    int32_t height = row_height();
    size_t columns = m_offsets.size() - 1;
    auto column_x = [&](size_t column) { return area.left() + m_offsets[column] - scroll; };
    auto column_width = [&](size_t column) { return m_offsets[column + 1] - m_offsets[column]; };

    if (header > 0)
        for (size_t column = 0; column < columns; ++column)
            draw_header(
                int32_t(column), canvas, {column_x(column), area.top()}, {column_width(column), header});

    int32_t first = first_visible_row();
    int32_t end = grid_paint_end(first, row_count(), area.size.height, header, height);
    for (int32_t row = first; row < end; ++row) {
        int32_t y = area.top() + int32_t(grid_row_top(row, header, height, first));
        for (size_t column = 0; column < columns; ++column) {
            int32_t c = int32_t(column);
            draw_cell(c, row, canvas, {column_x(column), y}, {column_width(column), height},
                is_selected(c, row), is_highlighted(c, row));
        }
    }
    canvas.set_clip(old_clip);
}

void ControlGrid::draw_cell_text(Canvas& canvas, GridCellStyle style, std::u16string_view text,
    Point position, Size size, int32_t horizontal) const
{
    const StateStyle& chosen = m_styles[size_t(style)];
    chosen.picture.draw(canvas, position, size);
    Point inner_position {position.x + m_text_border_min.x, position.y + m_text_border_min.y};
    Size inner_size {size.width - m_text_border_min.x - m_text_border_max.x,
        size.height - m_text_border_min.y - m_text_border_max.y};
    if (!inner_size.empty())
        chosen.font.draw_text_ellipsis(
            canvas, chosen.color, text, inner_position, inner_size, horizontal, AlignCentre);
}

// Pointer -----------------------------------------------------------------------------------------

ControlGrid::Hit ControlGrid::hit_at(Point point) const
{
    const Rect& area = m_painter->rect();
    Point relative = point - area.position;
    int64_t content_x = int64_t(relative.x) + scroll_offset();
    int32_t header = header_height();
    Hit hit;
    hit.zone = grid_zone(relative.y, area.size.height, header);
    hit.column = grid_column_at(m_offsets, content_x);
    int64_t column_start = hit.column >= 0 ? m_offsets[size_t(hit.column)] : 0;
    hit.offset.x = int32_t(content_x - column_start);
    hit.offset.y = relative.y;
    if (hit.zone == GridZone::Rows) {
        int32_t first = first_visible_row();
        hit.row = grid_row_at(relative.y, header, row_height(), first);
        hit.offset.y = int32_t(relative.y - grid_row_top(hit.row, header, row_height(), first));
    }
    return hit;
}

GridClick ControlGrid::click_at(Point point, const Hit& hit, bool double_tap) const
{
    return GridClick {hit.column, hit.row, hit.offset, point, double_tap};
}

void ControlGrid::painter_move(Point point)
{
    Hit hit = hit_at(point);
    if (hit.zone != GridZone::Rows) {
        highlight(-1, -1);
        return;
    }
    highlight(hit.column, hit.row);
    if (m_press_zone == GridZone::Rows)
        on_cell_drag(hit.column, hit.row);
}

void ControlGrid::painter_down(Point point, bool double_click)
{
    end_edit(true);
    Hit hit = hit_at(point);
    if (hit.zone == GridZone::Rows && hit.column == 0 && hit.offset.x < row_indent(hit.row)) {
        on_indent_click(click_at(point, hit, double_click));
        return;
    }
    m_press_zone = hit.zone;
    m_press_double = double_click;
    if (hit.zone == GridZone::Rows)
        on_cell_press(hit.column, hit.row);
}

void ControlGrid::painter_up(Point point)
{
    Hit hit = hit_at(point);
    GridZone pressed = m_press_zone;
    m_press_zone = GridZone::Outside;
    if (pressed == GridZone::Header && hit.zone == GridZone::Header) {
        header_clicked(click_at(point, hit, m_press_double));
    } else if (pressed == GridZone::Rows) {
        on_cell_release(hit.column, hit.row);
        if (hit.zone == GridZone::Rows)
            cell_clicked(click_at(point, hit, m_press_double));
    }
}

void ControlGrid::painter_hold(Point point)
{
    end_edit(true);
    Hit hit = hit_at(point);
    if (hit.zone == GridZone::Rows) {
        on_cell_press_hold(hit.column, hit.row);
        cell_held(click_at(point, hit, false));
    } else if (hit.zone == GridZone::Header) {
        header_held(click_at(point, hit, false));
    }
}

bool ControlGrid::wants_gestures(Point)
{
    return gestures();
}

void ControlGrid::on_mouse_leave()
{
    ControlPanelAutoScroll::on_mouse_leave();
    highlight(-1, -1);
    invalidate();
}

// Keys, focus and the in-place edit ---------------------------------------------------------------

bool ControlGrid::on_key_down(int32_t key)
{
    if (is_editing() && m_edit->on_key_down(key))
        return true;
    return on_selection_key_down(key);
}

bool ControlGrid::on_char(std::u16string_view text)
{
    return is_editing() && m_edit->on_char(text);
}

void ControlGrid::on_focus_lost()
{
    ControlPanelAutoScroll::on_focus_lost();
    end_edit(true);
}

void ControlGrid::on_enable(bool enabled)
{
    ControlPanelAutoScroll::on_enable(enabled);
    if (!enabled)
        end_edit(false);
}

void ControlGrid::begin_edit(int32_t column, int32_t row, std::u16string_view text)
{
    end_edit(true);
    m_edit_column = column;
    m_edit_row = row;
    m_edit->set_text(text);
    place_edit();
}

void ControlGrid::place_edit()
{
    if (!is_editing())
        return;
    const Rect& area = m_painter->rect();
    size_t columns = m_offsets.size() - 1;
    int32_t left = area.left();
    int32_t width = area.size.width;
    if (m_edit_column >= 0 && size_t(m_edit_column) < columns) {
        left = area.left() + m_offsets[size_t(m_edit_column)] - scroll_offset();
        width = m_offsets[size_t(m_edit_column) + 1] - m_offsets[size_t(m_edit_column)];
    }
    int64_t top = area.top() + grid_row_top(m_edit_row, header_height(), row_height(), first_visible_row());
    Rect cell {
        {left, int32_t(std::clamp<int64_t>(top, INT32_MIN / 2, INT32_MAX / 2))}, {width, row_height()}};
    Rect shown = intersect(cell, area);
    m_edit->set_rect(shown);
    m_edit->set_visible(!shown.empty());
}

void ControlGrid::end_edit(bool keep)
{
    if (!is_editing())
        return;
    m_edit->set_visible(false);
    GridEdit edit {m_edit_column, m_edit_row, keep, m_edit->text()};
    m_edit_column = -1;
    m_edit_row = -1;
    edit_finished(edit);
}

} // namespace skinner
