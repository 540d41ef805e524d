// Our own 16x16 icons, drawn with GDI when the window is built: nothing to
// ship, and every slot index is the one the window logic names.
#include "updater/ui/win32/icons.h"

#include "updater/ui/main_view.h"
#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {
namespace {

constexpr int kIconSize = 16;
constexpr int kImageCount = 7;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

using GdiObject = UniqueGdiObject<HGDIOBJ>;

COLORREF Darker(COLORREF c) {
  return RGB(GetRValue(c) * 3 / 5, GetGValue(c) * 3 / 5, GetBValue(c) * 3 / 5);
}

void FillBox(HDC dc, int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
  GdiObject brush(CreateSolidBrush(fill));
  GdiObject pen(CreatePen(PS_SOLID, 1, edge));
  Selection b1(dc, brush.get());
  Selection p1(dc, pen.get());
  Rectangle(dc, l, t, r, b);
}

// A small receipt printer: paper on top, a body in the state's colour.
void PaintBoard(HDC dc, COLORREF body) {
  FillBox(dc, 4, 1, 12, 7, RGB(255, 255, 255), RGB(110, 110, 110));
  FillBox(dc, 1, 6, 15, 14, body, Darker(body));
  FillBox(dc, 3, 8, 13, 9, Darker(body), Darker(body));
  FillBox(dc, 11, 10, 13, 12, RGB(255, 255, 255), RGB(255, 255, 255));
}

// The whole network: a globe.
void PaintRoot(HDC dc) {
  const COLORREF sea = RGB(64, 140, 220), line = RGB(20, 70, 140);
  GdiObject brush(CreateSolidBrush(sea));
  GdiObject pen(CreatePen(PS_SOLID, 1, line));
  Selection b1(dc, brush.get());
  Selection p1(dc, pen.get());
  Ellipse(dc, 1, 1, 15, 15);
  Selection b2(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, 5, 1, 11, 15);
  MoveToEx(dc, 1, 8, nullptr);
  LineTo(dc, 15, 8);
}

// A cable socket.
void PaintWired(HDC dc) {
  const COLORREF body = RGB(90, 120, 160);
  FillBox(dc, 1, 2, 15, 14, body, Darker(body));
  FillBox(dc, 4, 5, 12, 11, RGB(30, 30, 40), RGB(30, 30, 40));
  FillBox(dc, 6, 11, 10, 13, RGB(30, 30, 40), RGB(30, 30, 40));
  for (int x = 5; x <= 10; x += 2)
    FillBox(dc, x, 5, x + 1, 7, RGB(230, 190, 60), RGB(230, 190, 60));
}

// Radio waves.
void PaintWireless(HDC dc) {
  const COLORREF wave = RGB(30, 110, 200);
  GdiObject pen(CreatePen(PS_SOLID, 2, wave));
  Selection p1(dc, pen.get());
  Selection b1(dc, GetStockObject(NULL_BRUSH));
  for (int r = 4; r <= 12; r += 4) {
    Arc(dc, 8 - r, 14 - r, 8 + r, 14 + r, 8 + r, 14 - r / 2, 8 - r, 14 - r / 2);
  }
  FillBox(dc, 7, 12, 10, 15, wave, wave);
}

using Painter = void (*)(HDC);

// One image list of seven 16x16 slots; `paint[i]` draws slot i, null
// leaves it empty.
HIMAGELIST MakeImageList(const Painter (&paint)[kImageCount]) {
  HIMAGELIST list = ImageList_Create(kIconSize, kIconSize, ILC_COLOR24 | ILC_MASK, kImageCount, 0);
  if (list == nullptr) return nullptr;
  WindowDc screen(nullptr);
  UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  for (Painter p : paint) {
    GdiObject bitmap(CreateCompatibleBitmap(screen.get(), kIconSize, kIconSize));
    {
      Selection s(dc.get(), bitmap.get());
      const RECT all{0, 0, kIconSize, kIconSize};
      GdiObject clear(CreateSolidBrush(kTransparent));
      FillRect(dc.get(), &all, static_cast<HBRUSH>(clear.get()));
      if (p != nullptr) p(dc.get());
    }
    ImageList_AddMasked(list, static_cast<HBITMAP>(bitmap.get()), kTransparent);
  }
  return list;
}

void PaintReady(HDC dc) { PaintBoard(dc, RGB(46, 160, 67)); }
void PaintNotReady(HDC dc) { PaintBoard(dc, RGB(235, 165, 20)); }
void PaintUnidentified(HDC dc) { PaintBoard(dc, RGB(150, 150, 150)); }

}  // namespace

HIMAGELIST MakeRowImages() {
  Painter paint[kImageCount] = {};
  paint[kImageReady] = PaintReady;
  paint[kImageNotReady] = PaintNotReady;
  paint[kImageUnidentified] = PaintUnidentified;
  return MakeImageList(paint);
}

HIMAGELIST MakeNodeImages() {
  Painter paint[kImageCount] = {};
  paint[kImageRoot] = PaintRoot;
  paint[kImageWired] = PaintWired;
  paint[kImageWireless] = PaintWireless;
  return MakeImageList(paint);
}

}  // namespace win32
}  // namespace ui
