/* Reads a window as a screen reader does, from another process through Active Accessibility:
 *   read_accessible.exe <title, its words as arguments of their own>
 * prints the object of the window's client area and every object under it, depth first in the
 * order each parent gives them (AccessibleChildren), one line each in UTF-8:
 *   depth TAB role TAB state TAB name TAB value TAB keyboard shortcut
 * with the role and the state as the numbers Windows defines (ROLE_SYSTEM_*, STATE_SYSTEM_*).
 * Exit status 2: no window of that title; 3: it answers with no object. */
#define COBJMACROS
#include <windows.h>
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void Print(const wchar_t* text) {
  char utf8[1024] = "";
  if (text != NULL) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
  fputs(utf8, stdout);
}

typedef HRESULT(STDMETHODCALLTYPE* TextCall)(IAccessible*, VARIANT, BSTR*);

static void Field(IAccessible* object, VARIANT child, TextCall call) {
  BSTR text = NULL;
  putchar('\t');
  if (SUCCEEDED(call(object, child, &text)) && text != NULL) {
    Print(text);
    SysFreeString(text);
  }
}

static void Walk(IAccessible* object, LONG id, int depth) {
  VARIANT child, role, state;
  child.vt = VT_I4;
  child.lVal = id;
  VariantInit(&role);
  VariantInit(&state);
  IAccessible_get_accRole(object, child, &role);
  IAccessible_get_accState(object, child, &state);
  printf("%d\t%ld\t%lx", depth, role.vt == VT_I4 ? role.lVal : -1L,
         state.vt == VT_I4 ? state.lVal : -1L);
  Field(object, child, object->lpVtbl->get_accName);
  Field(object, child, object->lpVtbl->get_accValue);
  Field(object, child, object->lpVtbl->get_accKeyboardShortcut);
  putchar('\n');
  if (id != CHILDID_SELF) return; /* a simple element has no children */
  long count = 0;
  if (FAILED(IAccessible_get_accChildCount(object, &count)) || count <= 0) return;
  VARIANT* children = calloc((size_t)count, sizeof(VARIANT));
  long obtained = 0;
  if (children != NULL && SUCCEEDED(AccessibleChildren(object, 0, count, children, &obtained))) {
    for (long i = 0; i < obtained; ++i) {
      if (children[i].vt == VT_DISPATCH && children[i].pdispVal != NULL) {
        IAccessible* sub = NULL;
        if (SUCCEEDED(IDispatch_QueryInterface(children[i].pdispVal, &IID_IAccessible,
                                               (void**)&sub))) {
          Walk(sub, CHILDID_SELF, depth + 1);
          IAccessible_Release(sub);
        }
      } else if (children[i].vt == VT_I4) {
        Walk(object, children[i].lVal, depth + 1);
      }
      VariantClear(&children[i]);
    }
  }
  free(children);
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  wchar_t title[256] = L"";
  for (int i = 1; i < argc; ++i) {
    if (i > 1) wcsncat(title, L" ", 255 - wcslen(title));
    wcsncat(title, argv[i], 255 - wcslen(title));
  }
  CoInitialize(NULL);
  HWND window = FindWindowW(NULL, title);
  if (window == NULL) return 2;
  IAccessible* object = NULL;
  if (FAILED(AccessibleObjectFromWindow(window, (DWORD)OBJID_CLIENT, &IID_IAccessible,
                                        (void**)&object)) ||
      object == NULL) {
    return 3;
  }
  Walk(object, CHILDID_SELF, 0);
  IAccessible_Release(object);
  CoUninitialize();
  return 0;
}
