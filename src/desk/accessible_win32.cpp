#include "desk/accessible_win32.h"

#include <utility>

namespace a11y {

namespace {

bool isSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT text(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (s.empty()) return S_FALSE;
    *out = SysAllocString(s.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

class Object final : public IAccessible {
public:
    Object(HWND window, std::function<Facts()> facts) : window_(window), facts_(std::move(facts)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (!left) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        // The window object above the client area; where the system has none to give, no parent.
        return SUCCEEDED(AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                                    reinterpret_cast<void**>(parent))) && *parent
                   ? S_OK
                   : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child) *child = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return isSelf(child) ? text(facts_().name, name) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return isSelf(child) ? text(facts_().value, value) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return isSelf(child) ? text(facts_().description, description) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        if (!isSelf(child)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = facts_().role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        if (!isSelf(child)) return E_INVALIDARG;
        state->vt = VT_I4;
        state->lVal = facts_().state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return text({}, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic) *topic = 0;
        return text({}, file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override { return text({}, keys); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        const bool here = GetFocus() == window_ || GetActiveWindow() == window_;
        focus->vt = here ? VT_I4 : VT_EMPTY;
        focus->lVal = CHILDID_SELF;
        return here ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override { return text({}, action); }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        if (!x || !y || !w || !h) return E_POINTER;
        if (!isSelf(child)) return E_INVALIDARG;
        RECT r{};
        GetWindowRect(window_, &r);
        *x = r.left;
        *y = r.top;
        *w = r.right - r.left;
        *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
        if (end) end->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        RECT r{};
        GetWindowRect(window_, &r);
        const POINT p{x, y};
        const bool inside = PtInRect(&r, p) != FALSE;
        hit->vt = inside ? VT_I4 : VT_EMPTY;
        hit->lVal = CHILDID_SELF;
        return inside ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Object() = default;
    HWND window_;
    std::function<Facts()> facts_;
    LONG refs_ = 1;
};

}  // namespace

IAccessible* makeObject(HWND window, std::function<Facts()> facts) { return new Object(window, std::move(facts)); }

LRESULT answerGetObject(HWND window, WPARAM wp, LPARAM lp, std::function<Facts()> facts, bool& handled) {
    handled = static_cast<LONG>(lp) == static_cast<LONG>(OBJID_CLIENT);
    if (!handled) return 0;
    IAccessible* object = makeObject(window, std::move(facts));
    const LRESULT answer = LresultFromObject(IID_IAccessible, wp, object);
    object->Release();
    return answer;
}

}  // namespace a11y
