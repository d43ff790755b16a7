#include "cmd_target.h"

namespace afx {

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    for (; map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->handler; ++entry) {
            if (entry->message != message) continue;
            if (message != WM_COMMAND || (entry->id == id && entry->notifyCode == code)) return entry;
        }
    }
    return nullptr;
}

}  // namespace afx

const afx::MessageMap* CCmdTarget::GetThisMessageMap() {
    static const afx::MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
    static const afx::MessageMap map = {nullptr, entries};
    return &map;
}

const afx::MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

bool CCmdTarget::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const afx::MessageMapEntry* entry = afx::FindMessageEntry(GetMessageMap(), message, wParam);
    if (!entry) return false;
    result = entry->handler(*this, wParam, lParam);
    return true;
}
