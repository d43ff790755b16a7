// The root of every class that takes messages through a message map.
#pragma once

#include "message_map.h"

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler that the class's map (or a base class's map) gives for the
    // message. False when no map has an entry for it.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The root map: no entries, no base.
    static const ::afx::MessageMap* GetThisMessageMap();
    virtual const ::afx::MessageMap* GetMessageMap() const;
};
