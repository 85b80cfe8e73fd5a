// The input layer: opens the keyboard, the mouse and the first attached joystick through
// DirectInput and copies each device's immediate state into its module-level record on request.
#include "engine/input/input.h"

#include <cstddef>
#include <cstring>

#include "engine/display/display.h"

IDirectInput *di_object = nullptr;
IDirectInputDevice *keyboard_device = nullptr;
IDirectInputDevice *mouse_device = nullptr;
IDirectInputDevice2 *joystick_device = nullptr;

BYTE keyboard_state[256];
DIMOUSESTATE mouse_state;
DIJOYSTATE joystick_state;

int joystick_found = 0;
char joystick_name[80];
GUID joystick_guid;

namespace {

// Shared with other applications and read also while the window is not in the foreground.
constexpr DWORD cooperative_level = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

// The four steps of keyboard_init and mouse_init; a failure after the create leaves the device
// in its handle, unacquired.
int device_init(const GUID &guid, IDirectInputDevice **device, const DIDATAFORMAT *format) {
    // Without the DirectInput object (input_init not called or failed) there is nothing to create.
    if (di_object == nullptr)
        return 0;
    if (FAILED(di_object->CreateDevice(guid, device, nullptr)))
        return 0;
    if (FAILED((*device)->SetCooperativeLevel(main_window, cooperative_level)))
        return 0;
    if (FAILED((*device)->SetDataFormat(format)))
        return 0;
    if (FAILED((*device)->Acquire()))
        return 0;
    return 1;
}

void set_axis_range(DWORD offset, int min, int max) {
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwObj = offset;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = min;
    range.lMax = max;
    joystick_device->SetProperty(DIPROP_RANGE, &range.diph); // result not examined
}

// Without a device the record is cleared, so that a caller sees no key and no button down.
int read_device(IDirectInputDevice *device, void *record, DWORD size) {
    if (device == nullptr) {
        std::memset(record, 0, size);
        return 0;
    }
    return FAILED(device->GetDeviceState(size, record)) ? 0 : 1;
}

// The handle is cleared too, so that a later read takes the no-device path.
template <typename Device> void release_device(Device *&device) {
    if (device != nullptr) {
        device->Unacquire();
        device->Release();
        device = nullptr;
    }
}

} // namespace

int input_init() {
    return FAILED(DirectInputCreateA(main_instance, 0x0500, &di_object, nullptr)) ? 0 : 1;
}

void input_shutdown() {
    if (di_object != nullptr) {
        di_object->Release();
        di_object = nullptr;
    }
}

int keyboard_init() {
    return device_init(GUID_SysKeyboard, &keyboard_device, &c_dfDIKeyboard);
}

int mouse_init() {
    return device_init(GUID_SysMouse, &mouse_device, &c_dfDIMouse);
}

BOOL joystick_enum_callback(const DIDEVICEINSTANCEA *instance, void *reference) {
    if (instance == nullptr || reference == nullptr)
        return DIENUM_STOP;
    std::memcpy(reference, &instance->guidInstance, sizeof(GUID));
    // The product name may be as long as its 260-character field; keep what fits.
    const std::size_t length = strnlen(instance->tszProductName, sizeof instance->tszProductName);
    const std::size_t kept = length < sizeof joystick_name ? length : sizeof joystick_name - 1;
    std::memcpy(joystick_name, instance->tszProductName, kept);
    joystick_name[kept] = '\0';
    return DIENUM_STOP;
}

int joystick_init(int min_x, int max_x, int min_y, int max_y) {
    if (di_object == nullptr)
        return 0;
    // With no joystick attached joystick_guid stays zero and the create below fails.
    di_object->EnumDevices(DIDEVTYPE_JOYSTICK, joystick_enum_callback, &joystick_guid,
                           DIEDFL_ATTACHEDONLY);
    IDirectInputDevice *first = nullptr;
    if (FAILED(di_object->CreateDevice(joystick_guid, &first, nullptr)))
        return 0;
    first->QueryInterface(IID_IDirectInputDevice2A, &joystick_device);
    first->Release();
    // A failed query leaves no second interface to configure.
    if (joystick_device == nullptr)
        return 0;
    if (FAILED(joystick_device->SetCooperativeLevel(main_window, cooperative_level)))
        return 0;
    if (FAILED(joystick_device->SetDataFormat(&c_dfDIJoystick)))
        return 0;
    set_axis_range(offsetof(DIJOYSTATE, lX), min_x, max_x);
    set_axis_range(offsetof(DIJOYSTATE, lY), min_y, max_y);
    if (FAILED(joystick_device->Acquire()))
        return 0;
    joystick_found = 1;
    return 1;
}

int keyboard_read() {
    return read_device(keyboard_device, keyboard_state, sizeof keyboard_state);
}

int mouse_read() {
    return read_device(mouse_device, &mouse_state, sizeof mouse_state);
}

int joystick_read() {
    if (joystick_found == 0)
        return 0;
    if (joystick_device != nullptr && FAILED(joystick_device->Poll()))
        return 0;
    return read_device(joystick_device, &joystick_state, sizeof joystick_state);
}

void keyboard_release() {
    release_device(keyboard_device);
}

void mouse_release() {
    release_device(mouse_device);
}

// joystick_found stays 1, so a read after the release clears joystick_state and returns 0.
void joystick_release() {
    release_device(joystick_device);
}
