#include "platform/x11/x11_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace plat {

namespace {

constexpr int Margin = 12;
constexpr int IconSide = 40;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 26;
constexpr int TextSize = 14;

void dismiss(Fl_Widget* w, void*) { (w->window() ? w->window() : static_cast<Fl_Window*>(w))->hide(); }

// A red octagon with a white bar: the stop sign of an error box.
class StopSign : public Fl_Box {
 public:
  StopSign(int x, int y, int side) : Fl_Box(x, y, side, side) {}
  void draw() override {
    const int cut = w() * 3 / 10;
    fl_color(FL_RED);
    fl_begin_polygon();
    fl_vertex(x() + cut, y());
    fl_vertex(x() + w() - cut, y());
    fl_vertex(x() + w(), y() + cut);
    fl_vertex(x() + w(), y() + h() - cut);
    fl_vertex(x() + w() - cut, y() + h());
    fl_vertex(x() + cut, y() + h());
    fl_vertex(x(), y() + h() - cut);
    fl_vertex(x(), y() + cut);
    fl_end_polygon();
    fl_color(FL_WHITE);
    fl_rectf(x() + w() / 5, y() + h() * 2 / 5, w() * 3 / 5, h() / 5);
  }
};

}  // namespace

void x11MessageDialog(const std::string& text, const std::string& title, bool stopIcon) {
  fl_font(FL_HELVETICA, TextSize);
  int textW = 360, textH = 0;
  fl_measure(text.c_str(), textW, textH, 0);
  textW = std::max(textW + 8, 120);  // room for the label's inner margins
  textH = std::max(textH, stopIcon ? IconSide : TextSize + 4);

  const int textX = Margin + (stopIcon ? IconSide + Margin : 0);
  const int W = textX + textW + Margin;
  const int H = Margin + textH + Margin + ButtonHeight + Margin;

  // FLTK reads "@..." in a label as a symbol; "@@" is a plain '@'.
  std::string label;
  for (char c : text) label += c == '@' ? std::string("@@") : std::string(1, c);

  Fl_Window dialog(W, H);
  dialog.copy_label(title.c_str());
  dialog.callback(dismiss);
  if (stopIcon) new StopSign(Margin, Margin, IconSide);
  Fl_Box* message = new Fl_Box(textX, Margin, textW, textH);
  message->copy_label(label.c_str());
  message->labelsize(TextSize);
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  Fl_Return_Button* ok = new Fl_Return_Button(W - Margin - ButtonWidth, H - Margin - ButtonHeight, ButtonWidth,
                                              ButtonHeight, "OK");
  ok->callback(dismiss);
  dialog.end();
  dialog.set_modal();
  dialog.position((Fl::w() - W) / 2, (Fl::h() - H) / 2);
  dialog.show();
  while (dialog.shown()) Fl::wait();
}

}  // namespace plat
