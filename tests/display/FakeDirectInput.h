// A link-time stand-in for DirectInput8Create: a test program that links
// FakeDirectInput.cpp gets this function instead of dinput8.dll's, so the
// product's CMouse::Create runs unchanged against a scripted DirectInput.
//
// By default it succeeds with an IDirectInput8A whose CreateDevice hands out
// g_fakeDirectInput.device, or pDevice when a test has set one. Set `status`
// to a failure to make the call fail.
#pragma once

#include "tests/support/FakeDevice.h"

struct FakeDirectInput {
    HRESULT status = DI_OK;             // what DirectInput8Create returns
    CFakeDevice device;                 // the "system mouse"
    // When set, handed out instead of `device`: a test that opens many dialogs
    // gives each its own device, one whose last reference can be the sampler's.
    std::atomic<CFakeDevice*> pDevice{nullptr};
    std::atomic<int> creates{0};        // calls of DirectInput8Create
    std::atomic<int> devicesCreated{0}; // calls of CreateDevice
};

extern FakeDirectInput g_fakeDirectInput;
