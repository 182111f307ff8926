#pragma once
// Labels, images and shapes: drawn by their container over its buffer. Private to the backend.

#include "framework/win32/canvas_peer.h"

namespace quarlo::fw::win32 {

class WindowlessPeer : public Peer {
 public:
  using Peer::Peer;
  void Update(Change what) override;
  virtual void Paint(HDC dc) = 0;
  // The drawn area in the container's client pixels.
  RECT Area() const { return PixelRect(); }
  // What drawing it may touch: the area, and round it the focus of a tab stop.
  RECT DrawnArea() const;

 protected:
  CanvasPeer* Container() const;
  void InvalidateArea(const RECT& area) const;
  // The child's number among what its container tells readers of; 0 for none.
  LONG ChildId() const;
  // The focus is drawn round the child: it has the keyboard and the form shows focus now.
  bool ShowsFocus() const;
  bool ShowsAccessKeys() const;

  RECT lastArea_ = {};
};

class LabelPeer final : public WindowlessPeer {
 public:
  LabelPeer(Win32Backend& backend, Label& label);
  void Update(Change what) override;
  void Paint(HDC dc) override;
  HCURSOR Cursor();

 private:
  UINT TextFormat() const;
  void FitToText();
  void PaintFocus(HDC dc, RECT area) const;

  Label& label_;
  gdi::Font font_;
  HCURSOR cursor_ = nullptr;
  int cursorId_ = 0;
};

class ImagePeer final : public WindowlessPeer {
 public:
  ImagePeer(Win32Backend& backend, Image& image) : WindowlessPeer(backend, image), image_(image) {}
  void Paint(HDC dc) override;

 private:
  Image& image_;
};

class ShapePeer final : public WindowlessPeer {
 public:
  ShapePeer(Win32Backend& backend, Shape& shape) : WindowlessPeer(backend, shape), shape_(shape) {}
  void Paint(HDC dc) override;

 private:
  Shape& shape_;
};

}  // namespace quarlo::fw::win32
