#include "framework/win32/accessible_object.h"

#include <oleacc.h>

#include <string>
#include <vector>

#include "framework/accessible.h"
#include "framework/win32/com.h"
#include "framework/win32/windowless_peers.h"
#include "os/win32/calls.h"
#include "os/win32/handles.h"

namespace quarlo::fw::win32 {
namespace {

// oleacc is looked up at the first question: no reader, no library in the process.
struct Oleacc {
  decltype(&::LresultFromObject) lresultFromObject;
  decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
  decltype(&::AccessibleObjectFromWindow) accessibleObjectFromWindow;
};

const Oleacc& Calls() {
  static const Oleacc calls = [] {
    constexpr DWORD kSystemFolder = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return Oleacc{os::LibraryCall<decltype(&::LresultFromObject)>(
                      L"oleacc.dll", "LresultFromObject", kSystemFolder),
                  os::LibraryCall<decltype(&::CreateStdAccessibleObject)>(
                      L"oleacc.dll", "CreateStdAccessibleObject", kSystemFolder),
                  os::LibraryCall<decltype(&::AccessibleObjectFromWindow)>(
                      L"oleacc.dll", "AccessibleObjectFromWindow", kSystemFolder)};
  }();
  return calls;
}

LONG RoleNumber(Role role) {
  switch (role) {
    case Role::Dialog:
      return ROLE_SYSTEM_DIALOG;
    case Role::Text:
      return ROLE_SYSTEM_STATICTEXT;
    case Role::PushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case Role::RadioButton:
      return ROLE_SYSTEM_RADIOBUTTON;
    case Role::CheckBox:
      return ROLE_SYSTEM_CHECKBUTTON;
    case Role::Link:
      return ROLE_SYSTEM_LINK;
    case Role::Slider:
      return ROLE_SYSTEM_SLIDER;
    case Role::ComboBox:
      return ROLE_SYSTEM_COMBOBOX;
    case Role::List:
      return ROLE_SYSTEM_LIST;
    case Role::ListItem:
      return ROLE_SYSTEM_LISTITEM;
    default:
      return ROLE_SYSTEM_CLIENT;
  }
}

LONG StateNumber(const Description& d, bool focused) {
  LONG state = 0;
  if (d.unavailable) state |= STATE_SYSTEM_UNAVAILABLE;
  if (d.invisible) state |= STATE_SYSTEM_INVISIBLE;
  if (d.checked) state |= STATE_SYSTEM_CHECKED;
  if (d.isDefault) state |= STATE_SYSTEM_DEFAULT;
  if (d.role == Role::Text) state |= STATE_SYSTEM_READONLY;
  if (d.role == Role::Link) state |= STATE_SYSTEM_LINKED;
  if (d.focusable && !d.unavailable) state |= STATE_SYSTEM_FOCUSABLE;
  if (focused) state |= STATE_SYSTEM_FOCUSED;
  return state;
}

HRESULT Text(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  const std::wstring wide = os::Utf16(text);
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Number(LONG value, VARIANT* out) {
  if (out == nullptr) return E_INVALIDARG;
  VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

// The object of a window for its client area, as readers ask for it.
IDispatch* WindowObject(HWND window, LONG object) {
  IDispatch* dispatch = nullptr;
  if (object == OBJID_CLIENT && Calls().accessibleObjectFromWindow != nullptr) {
    Calls().accessibleObjectFromWindow(window, OBJID_CLIENT, IID_IDispatch,
                                       reinterpret_cast<void**>(&dispatch));
  } else if (Calls().createStdAccessibleObject != nullptr) {
    Calls().createStdAccessibleObject(window, object, IID_IDispatch,
                                      reinterpret_cast<void**>(&dispatch));
  }
  return dispatch;
}

class AccessibleObject final : public IAccessible {
 public:
  // `inner`: the system's standard object of a system control's window, taken over.
  AccessibleObject(std::shared_ptr<AccessLink> link, IAccessible* inner, bool nameOnly)
      : link_(std::move(link)), inner_(inner), nameOnly_(nameOnly) {}

  // --- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IDispatch) &&
        !IsEqualIID(id, IID_IAccessible)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // --- IDispatch: readers call IAccessible itself.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // --- IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_INVALIDARG;
    *parent = nullptr;
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->get_accParent(parent);
    *parent = WindowObject(Peer().Window(), OBJID_WINDOW);
    return *parent != nullptr ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_INVALIDARG;
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->get_accChildCount(count);
    *count = static_cast<long>(Children().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->get_accChild(child, out);
    Control* control = nullptr;
    if (!Resolve(child, control) || control == nullptr) return E_INVALIDARG;
    const HWND window = os::ToHwnd(control->hWnd());
    if (window == nullptr) return S_FALSE;  // a simple element of this object
    *out = WindowObject(window, OBJID_CLIENT);
    return *out != nullptr ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Ask(
        child, name, &IAccessible::get_accName, [](const Description& d) { return d.name; }, true);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Ask(
        child, value, &IAccessible::get_accValue, [](const Description& d) { return d.value; },
        false);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return Delegated(child, text, &IAccessible::get_accDescription);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
    return Delegated(child, text, &IAccessible::get_accHelp);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
    return Ask(
        child, text, &IAccessible::get_accKeyboardShortcut,
        [](const Description& d) { return d.shortcut; }, false);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
    return Delegated(child, text, &IAccessible::get_accDefaultAction);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_INVALIDARG;
    VariantInit(role);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr && (!IsSelf(child) || nameOnly_)) {
      return inner_->get_accRole(child, role);
    }
    Control* control = nullptr;
    if (!Resolve(child, control)) return E_INVALIDARG;
    return Number(RoleNumber(Describe(*control).role), role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_INVALIDARG;
    VariantInit(state);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr && (!IsSelf(child) || nameOnly_)) {
      return inner_->get_accState(child, state);
    }
    Control* control = nullptr;
    if (!Resolve(child, control)) return E_INVALIDARG;
    return Number(StateNumber(Describe(*control), HasFocus(*control)), state);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_INVALIDARG;
    VariantInit(focus);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->get_accFocus(focus);
    const HWND own = Peer().Window();
    const HWND focused = GetFocus();
    if (focused == own) {
      const Control* part = Peer().FocusedPart();
      const auto* canvas = dynamic_cast<const Container*>(&Peer().GetControl());
      return Number(part != nullptr && canvas != nullptr ? AccessibleChildNumber(*canvas, *part)
                                                         : CHILDID_SELF,
                    focus);
    }
    const std::vector<Control*> children = Children();
    for (std::size_t i = 0; i < children.size(); ++i) {
      const HWND window = os::ToHwnd(children[i]->hWnd());
      if (window != nullptr && (window == focused || IsChild(window, focused))) {
        return ChildVariant(children, static_cast<LONG>(i + 1), focus);
      }
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_INVALIDARG;
    VariantInit(selection);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->get_accSelection(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->accSelect(flags, child);
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_INVALIDARG;
    }
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->accLocation(left, top, width, height, child);
    Control* control = nullptr;
    if (!Resolve(child, control)) return E_INVALIDARG;
    RECT rect = {};
    const HWND window = os::ToHwnd(control->hWnd());
    if (window != nullptr) {
      GetWindowRect(window, &rect);
    } else if (const auto* drawn = dynamic_cast<const WindowlessPeer*>(control->Peer())) {
      rect = drawn->Area();
      MapWindowPoints(Peer().Window(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    }
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_INVALIDARG;
    VariantInit(end);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->accNavigate(direction, start, end);
    const std::vector<Control*> children = Children();
    const auto count = static_cast<LONG>(children.size());
    const LONG from = start.vt == VT_I4 ? start.lVal : CHILDID_SELF;
    LONG to = 0;
    if (from == CHILDID_SELF && direction == NAVDIR_FIRSTCHILD) to = 1;
    if (from == CHILDID_SELF && direction == NAVDIR_LASTCHILD) to = count;
    if (from != CHILDID_SELF && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)) {
      to = from + 1;
    }
    if (from != CHILDID_SELF && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)) {
      to = from - 1;
    }
    if (to < 1 || to > count) return S_FALSE;
    return ChildVariant(children, to, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* found) override {
    if (found == nullptr) return E_INVALIDARG;
    VariantInit(found);
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->accHitTest(x, y, found);
    const HWND own = Peer().Window();
    POINT point = {x, y};
    ScreenToClient(own, &point);
    RECT client = {};
    GetClientRect(own, &client);
    if (!PtInRect(&client, point)) return S_FALSE;
    const std::vector<Control*> children = Children();
    const HWND under = ChildWindowFromPointEx(own, point, CWP_SKIPINVISIBLE);
    for (std::size_t i = children.size(); i-- > 0;) {
      const HWND window = os::ToHwnd(children[i]->hWnd());
      const auto* drawn = dynamic_cast<const WindowlessPeer*>(children[i]->Peer());
      const RECT area = drawn != nullptr ? drawn->Area() : RECT{};
      if ((window != nullptr && window == under) ||
          (drawn != nullptr && children[i]->Visible() && PtInRect(&area, point))) {
        return ChildVariant(children, static_cast<LONG>(i + 1), found);
      }
    }
    return Number(CHILDID_SELF, found);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return inner_->accDoDefaultAction(child);
    Control* control = nullptr;
    if (!Resolve(child, control)) return E_INVALIDARG;
    const WPARAM which = IsSelf(child) ? 0 : static_cast<WPARAM>(child.lVal);
    return PostMessageW(Peer().Window(), kWmAccessibleAction, which, 0) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  bool Gone() const { return link_->peer == nullptr || Peer().Window() == nullptr; }
  WindowPeer& Peer() const { return *link_->peer; }
  std::vector<Control*> Children() const {
    auto* container = dynamic_cast<Container*>(&Peer().GetControl());
    return container != nullptr ? AccessibleChildren(*container) : std::vector<Control*>{};
  }
  static bool IsSelf(const VARIANT& child) {
    return child.vt == VT_EMPTY || (child.vt == VT_I4 && child.lVal == CHILDID_SELF);
  }
  // The control a child id names: the peer's own for CHILDID_SELF.
  bool Resolve(const VARIANT& child, Control*& control) const {
    if (IsSelf(child)) {
      control = &Peer().GetControl();
      return true;
    }
    if (child.vt != VT_I4) return false;
    const std::vector<Control*> children = Children();
    if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > children.size()) return false;
    control = children[static_cast<std::size_t>(child.lVal - 1)];
    return true;
  }
  // A child with a window of its own as that window's object; a drawn one as its number.
  HRESULT ChildVariant(const std::vector<Control*>& children, LONG id, VARIANT* out) const {
    const HWND window = os::ToHwnd(children[static_cast<std::size_t>(id - 1)]->hWnd());
    if (window != nullptr) {
      if (IDispatch* dispatch = WindowObject(window, OBJID_CLIENT)) {
        out->vt = VT_DISPATCH;
        out->pdispVal = dispatch;
        return S_OK;
      }
    }
    return Number(id, out);
  }
  // The control with the keyboard: a windowless child while its canvas has it for it, a canvas
  // only when no child of it has it, a system control while a part of it (an edit field) has it.
  bool HasFocus(const Control& control) const {
    const HWND focused = GetFocus();
    const HWND window = os::ToHwnd(control.hWnd());
    if (window == nullptr) return focused == Peer().Window() && Peer().FocusedPart() == &control;
    const auto* peer = dynamic_cast<const WindowPeer*>(control.Peer());
    if (focused == window) return peer == nullptr || peer->FocusedPart() == nullptr;
    return peer != nullptr && peer->IsSystemControl() && IsChild(window, focused);
  }
  // A text the framework gives (the name always; the value and the access key only where the
  // standard object is not asked for them); the standard object answers the rest.
  template <typename Method, typename Field>
  HRESULT Ask(VARIANT child, BSTR* out, Method method, Field field, bool name) {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    const bool ours = IsSelf(child) && (name || !nameOnly_);
    if (inner_.Get() != nullptr && !ours) return (inner_.Get()->*method)(child, out);
    Control* control = nullptr;
    if (!Resolve(child, control)) return E_INVALIDARG;
    return Text(field(Describe(*control)), out);
  }
  template <typename Method>
  HRESULT Delegated(VARIANT child, BSTR* out, Method method) {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (Gone()) return CO_E_OBJNOTCONNECTED;
    if (inner_.Get() != nullptr) return (inner_.Get()->*method)(child, out);
    return S_FALSE;
  }

  std::shared_ptr<AccessLink> link_;
  Com<IAccessible> inner_;
  bool nameOnly_;
  ULONG references_ = 1;
};

}  // namespace

std::optional<LRESULT> AnswerGetObject(WindowPeer& peer, const std::shared_ptr<AccessLink>& link,
                                       HWND window, WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) return std::nullopt;
  if (!peer.GetBackend().Apartment().Enter() || Calls().lresultFromObject == nullptr) {
    return std::nullopt;
  }
  IAccessible* inner = nullptr;
  const bool system = peer.IsSystemControl();
  if (system) {
    if (Calls().createStdAccessibleObject == nullptr ||
        FAILED(Calls().createStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible,
                                                 reinterpret_cast<void**>(&inner)))) {
      return std::nullopt;
    }
  }
  auto* object = new AccessibleObject(link, inner, system && window != peer.Window());
  const LRESULT result = Calls().lresultFromObject(IID_IAccessible, wParam, object);
  object->Release();
  if (FAILED(static_cast<HRESULT>(result))) return std::nullopt;
  return result;
}

void NotifyChild(DWORD event, HWND canvas, LONG child) {
  if (canvas != nullptr) NotifyWinEvent(event, canvas, OBJID_CLIENT, child);
}

}  // namespace quarlo::fw::win32
