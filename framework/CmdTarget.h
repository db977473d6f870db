// CCmdTarget and message maps: each class that handles messages lists them in
// a static table, and the table of a class chains to its base class's table,
// so a handler declared in a base is found unless a derived class maps the
// same message itself. Dispatching walks the tables, most derived first.
//
//   // in the class:   DECLARE_MESSAGE_MAP()
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_TIMER()
//       ON_COMMAND(ID_SOMETHING, &CMyDlg::OnSomething)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

class CCmdTarget;

// Every entry calls its handler through a small function made by the entry's
// macro: it turns the target into the mapping class, unpacks the message's
// parameters for the handler and returns the message's result.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

// Command notification code of a menu or button command (BN_CLICKED is 0 too).
#define CN_COMMAND 0

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // the window message, WM_COMMAND for commands; 0 ends a table
    UINT nCode;     // commands: the notification code; otherwise 0
    UINT nID;       // commands: the command or control id; otherwise 0
    AFX_PMSG pfn;   // calls the handler; null ends a table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // the base class's table; null at the root
    const AFX_MSGMAP_ENTRY* lpEntries;     // ends with an entry whose pfn is null
};

// Returns the first entry for (nMessage, nCode, nID) in pMap or, failing that,
// in its base maps; null when no class in the chain maps it.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode,
                                            UINT nID);

// The root of every class that receives commands.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Calls the handler mapped for command nID with notification nCode.
    // Returns TRUE only when a handler was found and called.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                           \
protected:                                              \
    static const AFX_MSGMAP* GetThisMessageMap();       \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                    \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                               \
    {                                                                             \
        using ThisClass [[maybe_unused]] = theClass;                              \
        using TheBaseClass = baseClass;                                           \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                         \
            {0, 0, 0, nullptr}                                                    \
        };                                                                        \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,   \
                                              &_messageEntries[0]};               \
        return &messageMap;                                                       \
    }

// WM_COMMAND for command id `id` (menu item, accelerator or button click) goes
// to memberFxn, a `void f()` member of the class or of one of its bases.
#define ON_COMMAND(id, memberFxn)                                                 \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id),                               \
     [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {                         \
         (static_cast<ThisClass*>(pTarget)->*(memberFxn))();                      \
         return 0;                                                                \
     }},
