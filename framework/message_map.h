// Per-class message maps: a constant table per class that binds window messages and
// button commands to member handlers, chained to the base class's table.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialogEx)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDOK, &CMyDlg::OnCleanUp)
//   END_MESSAGE_MAP()
//
// Each entry holds a small adapter function generated from the handler's member pointer;
// the adapter unpacks wParam/lParam as the handler's signature needs, so a handler with
// the wrong signature, or one of a class the owner does not derive from, fails to compile.
#pragma once

#include <windows.h>

#include <type_traits>

class CCmdTarget;

namespace afx {

using HandlerThunk = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message;          // WM_COMMAND for command entries
    UINT notifyCode;       // command entries: the notification code (BN_CLICKED is 0)
    UINT id;               // command entries: the control or command id
    HandlerThunk handler;  // null ends a table
};

struct MessageMap {
    const MessageMap* (*base)();  // the base class's map; null at the root
    const MessageMapEntry* entries;
};

// The entry for the message in the map or, failing that, in the maps it chains to.
// Command entries match on both the id (LOWORD of wParam) and the notification code
// (HIWORD of wParam); other entries match on the message alone.
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam);

template <typename F>
struct MemberOf;
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
};
template <auto Handler>
using ClassOf = typename MemberOf<decltype(Handler)>::Class;

// The object the handler runs on, seen as the class whose map holds the entry.
template <class Owner, auto Handler>
Owner& TargetFor(CCmdTarget& target) {
    static_assert(std::is_base_of_v<ClassOf<Handler>, Owner>, "handler of a class the owner does not derive from");
    return static_cast<Owner&>(target);
}

// void Handler(): commands, WM_PAINT.
template <class Owner, auto Handler>
LRESULT CallVoid(CCmdTarget& target, WPARAM, LPARAM) {
    static_assert(std::is_same_v<decltype(Handler), void (ClassOf<Handler>::*)()>, "handler must be void ()");
    (TargetFor<Owner, Handler>(target).*Handler)();
    return 0;
}

// void Handler(UINT nID, LPARAM lParam): WM_SYSCOMMAND.
template <class Owner, auto Handler>
LRESULT CallSysCommand(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
    static_assert(std::is_same_v<decltype(Handler), void (ClassOf<Handler>::*)(UINT, LPARAM)>,
                  "WM_SYSCOMMAND handler must be void (UINT, LPARAM)");
    (TargetFor<Owner, Handler>(target).*Handler)(static_cast<UINT>(wParam), lParam);
    return 0;
}

// HCURSOR Handler(): WM_QUERYDRAGICON; the cursor is the message's result.
template <class Owner, auto Handler>
LRESULT CallQueryDragIcon(CCmdTarget& target, WPARAM, LPARAM) {
    static_assert(std::is_same_v<decltype(Handler), HCURSOR (ClassOf<Handler>::*)()>,
                  "WM_QUERYDRAGICON handler must be HCURSOR ()");
    return reinterpret_cast<LRESULT>((TargetFor<Owner, Handler>(target).*Handler)());
}

}  // namespace afx

// In the class body. Declares the class's map; the map is public so tests can read it.
#define DECLARE_MESSAGE_MAP()                            \
public:                                                  \
    static const ::afx::MessageMap* GetThisMessageMap(); \
    const ::afx::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                               \
    const ::afx::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const ::afx::MessageMap* theClass::GetThisMessageMap() {                                 \
        using ThisClass = theClass;                                                          \
        using TheBaseClass = baseClass;                                                      \
        static const ::afx::MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                           \
        {0, 0, 0, nullptr}};                                                                        \
        static_assert(std::is_base_of_v<TheBaseClass, ThisClass>, "a map chains to a base class"); \
        static const ::afx::MessageMap map = {&TheBaseClass::GetThisMessageMap, entries};           \
        return &map;                                                                                \
    }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, static_cast<WORD>(id), &::afx::CallVoid<ThisClass, memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, static_cast<WORD>(id), &::afx::CallVoid<ThisClass, memberFxn>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &::afx::CallVoid<ThisClass, &ThisClass::OnPaint>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, &::afx::CallSysCommand<ThisClass, &ThisClass::OnSysCommand>},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, &::afx::CallQueryDragIcon<ThisClass, &ThisClass::OnQueryDragIcon>},
