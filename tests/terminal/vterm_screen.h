// A terminal emulator for tests (libvterm): bytes in, the cells' colours and the modes that a
// program set (alternate screen, cursor, mouse reporting) out.
#ifndef ORVEL_TESTS_TERMINAL_VTERM_SCREEN_H
#define ORVEL_TESTS_TERMINAL_VTERM_SCREEN_H

#include <stdint.h>
#include <unistd.h>
#include <vterm.h>

#include <string>

namespace orvel::test {

class VtermScreen {
 public:
  VtermScreen(int cols, int rows) : cols_(cols), rows_(rows) {
    vt_ = vterm_new(rows, cols);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    callbacks_.settermprop = &VtermScreen::SetProp;
    vterm_screen_set_callbacks(screen_, &callbacks_, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
  }
  ~VtermScreen() { vterm_free(vt_); }
  VtermScreen(const VtermScreen&) = delete;
  VtermScreen& operator=(const VtermScreen&) = delete;

  int cols() const { return cols_; }
  int rows() const { return rows_; }

  void Feed(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }

  // The terminal resized, as an emulator's window is.
  void Resize(int cols, int rows) {
    cols_ = cols;
    rows_ = rows;
    vterm_set_size(vt_, rows, cols);
  }

  // What the emulator answers (to device attribute queries, for example) goes to `fd`.
  void AnswerTo(int fd) {
    answerFd_ = fd;
    vterm_output_set_callback(vt_, &VtermScreen::Answer, this);
  }

  // The two pixels that the cell at 0-based (col, row) shows, 0x00RRGGBB, as a half-block
  // picture draws them: the upper and lower half of U+2580 or U+2584, a full block U+2588, or
  // a space in the background colour. False for any other character.
  bool CellPixels(int col, int row, uint32_t* upper, uint32_t* lower) const {
    VTermScreenCell cell;
    if (!vterm_screen_get_cell(screen_, VTermPos{row, col}, &cell)) return false;
    const uint32_t fg = Rgb(cell.fg), bg = Rgb(cell.bg);
    switch (cell.chars[0]) {
      case 0x2580:
        *upper = fg, *lower = bg;
        return true;
      case 0x2584:
        *upper = bg, *lower = fg;
        return true;
      case 0x2588:
        *upper = *lower = fg;
        return true;
      case ' ':
      case 0:
        *upper = *lower = bg;
        return true;
      default:
        return false;
    }
  }

  // The text of a row, printable ASCII (other characters as '?').
  std::string Text(int row) const {
    std::string text;
    for (int col = 0; col < cols_; ++col) {
      VTermScreenCell cell;
      vterm_screen_get_cell(screen_, VTermPos{row, col}, &cell);
      const uint32_t c = cell.chars[0];
      text.push_back(c == 0 ? ' ' : (c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?'));
    }
    return text;
  }

  bool altScreen = false;
  bool cursorVisible = true;
  int mouse = 0;  // VTERM_PROP_MOUSE_*

 private:
  uint32_t Rgb(VTermColor colour) const {
    vterm_screen_convert_color_to_rgb(screen_, &colour);
    return (uint32_t{colour.rgb.red} << 16) | (uint32_t{colour.rgb.green} << 8) | colour.rgb.blue;
  }

  static int SetProp(VTermProp prop, VTermValue* value, void* user) {
    auto* self = static_cast<VtermScreen*>(user);
    if (prop == VTERM_PROP_ALTSCREEN) self->altScreen = value->boolean;
    if (prop == VTERM_PROP_CURSORVISIBLE) self->cursorVisible = value->boolean;
    if (prop == VTERM_PROP_MOUSE) self->mouse = value->number;
    return 1;
  }

  static void Answer(const char* bytes, size_t size, void* user) {
    (void)!write(static_cast<VtermScreen*>(user)->answerFd_, bytes, size);
  }

  int cols_, rows_;
  int answerFd_ = -1;
  VTerm* vt_;
  VTermScreen* screen_;
  VTermScreenCallbacks callbacks_{};
};

}  // namespace orvel::test

#endif
