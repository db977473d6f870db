// CMouse::Create and the teardown in the destructor, against a scripted
// DirectInput object and device reached through this program's own
// DirectInput8Create: what each set-up call is given, that a failing step ends
// set-up before anything after it is tried, that only DI_OK will do for the
// notification and the acquisition, and that the destructor lets go of what
// was obtained, once each and in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/ModuleState.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/HandleCount.h"
#include "tests/support/TestMouse.h"

namespace {

using Calls = std::vector<std::string>;

// The set-up steps that return a status, in the order Create takes them.
enum class Step { DirectInput8Create, CreateDevice, SetDataFormat, SetCooperativeLevel, SetProperty,
                  SetEventNotification, Acquire, None };

// The device calls of a complete set-up, in order.
const Calls kDeviceSetUp = {"SetDataFormat", "SetCooperativeLevel", "SetProperty",
                            "SetEventNotification", "Acquire"};

std::string Join(const Calls& calls)
{
    std::string s = "[";
    for (const std::string& c : calls)
        s += (s.size() > 1 ? ", " : "") + c;
    return s + "]";
}

std::string GuidText(const GUID& g)
{
    char text[40];
    snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
             g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
             g.Data4[7]);
    return text;
}

// A sampler (its Create the product's own) with a fresh scripted DirectInput
// object and device behind it, which answer DI_OK to everything unless told
// otherwise at one step.
struct Rig {
    CFakeDevice device;
    CFakeDirectInput di{&device};
    std::unique_ptr<CTestMouse> mouse{new CTestMouse};

    Rig()
    {
        g_directInput8Create.pDI = &di;
        g_directInput8Create.status = DI_OK;
        g_directInput8Create.calls = 0;
    }

    void Answer(Step step, HRESULT status)
    {
        switch (step) {
        case Step::DirectInput8Create: g_directInput8Create.status = status; break;
        case Step::CreateDevice: di.createDeviceStatus = status; break;
        case Step::SetDataFormat: device.setDataFormatStatus = status; break;
        case Step::SetCooperativeLevel: device.setCooperativeLevelStatus = status; break;
        case Step::SetProperty: device.setPropertyStatus = status; break;
        case Step::SetEventNotification: device.setEventNotificationStatus = status; break;
        case Step::Acquire: device.acquireStatus = status; break;
        case Step::None: break;
        }
    }
};

const HWND kWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

class MouseCreate : public ::testing::Test {
protected:
    Rig rig;
    CFakeDevice& device = rig.device;
    CFakeDirectInput& di = rig.di;
    CTestMouse& mouse = *rig.mouse;

    bool Create() { return mouse.Create(kWindow); }
};

} // namespace

TEST_F(MouseCreate, AsksForTheAnsiDirectInput8OfThisModuleAndItsSystemMouse)
{
    ASSERT_TRUE(Create());

    const FakeDirectInput8Create& c = g_directInput8Create;
    EXPECT_EQ(1, c.calls.load());
    EXPECT_EQ(GetModuleHandleA(nullptr), c.hinst) << "the module's own instance";
    EXPECT_EQ(AfxGetModuleState()->m_hCurrentInstanceHandle, c.hinst);
    EXPECT_EQ(0x0800u, c.version);
    EXPECT_TRUE(IsEqualIID(IID_IDirectInput8A, c.riid))
        << "asked for " << GuidText(c.riid) << ", not {BF798030-483A-4DA2-AA99-5D64ED369700}";
    EXPECT_EQ(mouse.DIField(), c.ppvOut) << "the interface goes straight into the sampler";
    EXPECT_EQ(nullptr, c.punkOuter) << "no aggregation";

    EXPECT_EQ(Calls{"CreateDevice"}, di.Calls()) << Join(di.Calls());
    EXPECT_TRUE(IsEqualGUID(GUID_SysMouse, di.createDeviceGuid)) << GuidText(di.createDeviceGuid);
    EXPECT_EQ(nullptr, di.createDeviceOuter) << "no aggregation";

    EXPECT_EQ(kDeviceSetUp, device.Calls()) << Join(device.Calls());
    EXPECT_EQ(kWindow, device.cooperativeWindow);
    EXPECT_EQ(0x0Au, device.cooperativeFlags) << "non-exclusive, background";
    EXPECT_EQ(0, device.unexpectedCalls.load());
    EXPECT_EQ(0, di.unexpectedCalls.load());
}

TEST_F(MouseCreate, SetsTheSamplersOwnDataFormat)
{
    ASSERT_TRUE(Create());
    const DIDATAFORMAT* df = device.dataFormat;
    ASSERT_NE(nullptr, df);
    EXPECT_EQ(&c_dfRateMouse, df);

    EXPECT_EQ(24u, df->dwSize);
    EXPECT_EQ(16u, df->dwObjSize);
    EXPECT_EQ(2u, df->dwFlags) << "relative axes";
    EXPECT_EQ(12u, df->dwDataSize);
    ASSERT_EQ(4u, df->dwNumObjs);
    ASSERT_NE(nullptr, df->rgodf);

    struct Object {
        const GUID* guid;
        const char* name;
        DWORD ofs;
        DWORD type;
    };
    // Any X and Y axis as 32-bit values, then any two buttons as single bytes;
    // nothing optional (flags 0).
    const Object expected[] = {
        {&GUID_XAxis, "GUID_XAxis", 0, 0x00FFFF03},
        {&GUID_YAxis, "GUID_YAxis", 4, 0x00FFFF03},
        {&GUID_Button, "GUID_Button", 8, 0x00FFFF0C},
        {&GUID_Button, "GUID_Button", 9, 0x00FFFF0C},
    };
    for (DWORD i = 0; i < 4; ++i) {
        SCOPED_TRACE("object " + std::to_string(i) + ", " + expected[i].name);
        const DIOBJECTDATAFORMAT& o = df->rgodf[i];
        ASSERT_NE(nullptr, o.pguid);
        EXPECT_TRUE(IsEqualGUID(*expected[i].guid, *o.pguid)) << GuidText(*o.pguid);
        EXPECT_EQ(expected[i].ofs, o.dwOfs);
        EXPECT_EQ(expected[i].type, o.dwType) << std::hex << o.dwType;
        EXPECT_EQ(0u, o.dwFlags);
    }
}

TEST_F(MouseCreate, BuffersSixteenRecordsForTheWholeDevice)
{
    ASSERT_TRUE(Create());
    EXPECT_EQ(&DIPROP_BUFFERSIZE, device.propertyId) << "the buffer-size property";
    const DIPROPDWORD& p = device.bufferSize;
    EXPECT_EQ(20u, p.diph.dwSize);
    EXPECT_EQ(16u, p.diph.dwHeaderSize);
    EXPECT_EQ(0u, p.diph.dwObj);
    EXPECT_EQ(0u, p.diph.dwHow) << "DIPH_DEVICE";
    EXPECT_EQ(16u, p.dwData);
}

TEST_F(MouseCreate, NotifiesAnUnsignalledAutoResetEvent)
{
    ASSERT_TRUE(Create());
    const HANDLE h = mouse.Event();
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(h, device.hEventNotified) << "the device signals the sampler's own event";
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(h, 0)) << "initially not signalled";
    ASSERT_TRUE(SetEvent(h));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(h, 0)) << "a wait resets it";
}

// Each step is tried only once the one before it has succeeded; the destructor
// then undoes exactly what was obtained: Unacquire and Release the device,
// Release DirectInput, close the event, each once and in that order.
TEST_F(MouseCreate, AFailingStepEndsSetUpAndTheDestructorLetsGoOfWhatWasObtained)
{
    struct Case {
        const char* what;
        Step step;
        HRESULT status;
        bool result;
    };
    const Case cases[] = {
        {"DirectInput8Create fails", Step::DirectInput8Create, DIERR_OLDDIRECTINPUTVERSION, false},
        {"CreateDevice fails", Step::CreateDevice, DIERR_DEVICENOTREG, false},
        {"SetDataFormat fails", Step::SetDataFormat, DIERR_INVALIDPARAM, false},
        {"SetCooperativeLevel fails", Step::SetCooperativeLevel, E_HANDLE, false},
        {"SetProperty fails", Step::SetProperty, DIERR_UNSUPPORTED, false},
        {"SetEventNotification fails", Step::SetEventNotification, DIERR_ACQUIRED, false},
        {"SetEventNotification answers a success code", Step::SetEventNotification, DI_POLLEDDEVICE, false},
        {"Acquire fails", Step::Acquire, DIERR_OTHERAPPHASPRIO, false},
        {"Acquire answers already acquired", Step::Acquire, S_FALSE, false},
        {"every step succeeds", Step::None, DI_OK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig r;
        CFakeDevice& dev = r.device;
        CFakeDirectInput& fakeDI = r.di;
        std::unique_ptr<CTestMouse>& m = r.mouse;
        r.Answer(c.step, c.status);

        EXPECT_EQ(c.result, m->Create(kWindow));

        // What was tried: the device calls up to and including the failing one.
        const bool gotDI = c.step > Step::DirectInput8Create;
        const bool gotDevice = c.step > Step::CreateDevice;
        const bool madeEvent = c.step > Step::SetProperty;
        const size_t deviceSteps =
            gotDevice ? std::min(kDeviceSetUp.size(), static_cast<size_t>(c.step) - 1) : 0;
        const Calls tried(kDeviceSetUp.begin(), kDeviceSetUp.begin() + deviceSteps);
        EXPECT_EQ(1, g_directInput8Create.calls.load());
        EXPECT_EQ(gotDI ? Calls{"CreateDevice"} : Calls{}, fakeDI.Calls()) << Join(fakeDI.Calls());
        EXPECT_EQ(tried, dev.Calls()) << Join(dev.Calls());
        EXPECT_EQ(gotDI, m->DI() != nullptr);
        EXPECT_EQ(gotDevice, m->Device() != nullptr);
        EXPECT_EQ(madeEvent, m->Event() != nullptr) << "event " << m->Event();

        // Teardown. The event is watched through a handle of our own.
        HANDLE hOurEvent = madeEvent ? DuplicateOwnHandle(m->Event()) : nullptr;
        EXPECT_EQ(madeEvent, hOurEvent != nullptr);
        fakeDI.hWatchedEvent = hOurEvent;
        m.reset();

        Calls released = tried;
        if (gotDevice) {
            released.push_back("Unacquire");
            released.push_back("Release");
        }
        EXPECT_EQ(released, dev.Calls()) << Join(dev.Calls());
        EXPECT_EQ(gotDevice ? 1 : 0, dev.releases.load());
        EXPECT_EQ(gotDI ? Calls({"CreateDevice", "Release"}) : Calls{}, fakeDI.Calls()) << Join(fakeDI.Calls());
        EXPECT_EQ(gotDI ? 1 : 0, fakeDI.releases.load());
        if (gotDI) {
            EXPECT_EQ(released, fakeDI.deviceCallsAtRelease)
                << "the device goes before DirectInput: " << Join(fakeDI.deviceCallsAtRelease);
        }
        if (madeEvent) {
            EXPECT_EQ(2u, fakeDI.eventHandlesAtRelease) << "the event is closed after DirectInput";
            EXPECT_EQ(1u, HandleCount(hOurEvent)) << "only our own handle is left";
            CloseHandle(hOurEvent);
        }
        EXPECT_EQ(0, dev.callsAfterRelease.load());
        EXPECT_EQ(0, fakeDI.callsAfterRelease.load());
        EXPECT_EQ(0, dev.unexpectedCalls.load());
        EXPECT_EQ(0, fakeDI.unexpectedCalls.load());
    }
}

// Before the notification only a failure status stops set-up: a positive
// success code from any of the earlier steps lets it go on.
TEST_F(MouseCreate, SuccessCodesBeforeTheNotificationAreSuccess)
{
    rig.Answer(Step::DirectInput8Create, S_FALSE);
    rig.Answer(Step::CreateDevice, DI_POLLEDDEVICE);
    rig.Answer(Step::SetDataFormat, S_FALSE);
    rig.Answer(Step::SetCooperativeLevel, S_FALSE);
    rig.Answer(Step::SetProperty, DI_PROPNOEFFECT);
    EXPECT_TRUE(Create());
    EXPECT_EQ(kDeviceSetUp, device.Calls()) << Join(device.Calls());
}
