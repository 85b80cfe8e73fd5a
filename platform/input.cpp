// The input devices on SDL2: the keyboard as 256 bytes by DirectInput key code from the event
// pump's scancode state, the mouse from the pump's gathered motion, joysticks from SDL's joystick
// API with per-axis ranges.
#include "platform/input.h"

#include <SDL.h>

#include <cstring>

#include "platform/internal.h"

const DIDATAFORMAT c_dfDIKeyboard{sizeof(DIDATAFORMAT), 256};
const DIDATAFORMAT c_dfDIMouse{sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE)};
const DIDATAFORMAT c_dfDIJoystick{sizeof(DIDATAFORMAT), sizeof(DIJOYSTATE)};

const GUID GUID_SysMouse{0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID GUID_SysKeyboard{0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID IID_IDirectInputDevice2A{
    0x5944E682, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};

namespace {

// Data2, Data3 and Data4 of every joystick instance GUID; Data1 is the SDL instance id.
constexpr GUID joystick_guid_tag{0, 0x4A53, 0x5449, {'j', 'o', 'y', 's', 't', 'i', 'c', 'k'}};

// DirectInput's own default axis range.
constexpr LONG default_range_min = 0;
constexpr LONG default_range_max = 65535;
constexpr int axis_count = 8; // lX lY lZ lRx lRy lRz and two sliders
constexpr int hat_count = 4;
constexpr int button_count = 32;
constexpr DWORD hat_centred = 0xFFFFFFFFu;
constexpr LONG wheel_units_per_notch = 120;

// SDL's hat bits (1 up, 2 right, 4 down, 8 left) as hundredths of a degree clockwise from up;
// impossible pairs (up with down, left with right) read as centred.
constexpr DWORD hat_angles[16] = {
    hat_centred, 0,     9000,        4500,        18000, hat_centred, 13500,       hat_centred,
    27000,       31500, hat_centred, hat_centred, 22500, hat_centred, hat_centred, hat_centred};

const char *kind_name(IDirectInputDevice::Kind kind) {
    switch (kind) {
    case IDirectInputDevice::Kind::keyboard:
        return "keyboard";
    case IDirectInputDevice::Kind::mouse:
        return "mouse";
    case IDirectInputDevice::Kind::joystick:
        return "joystick";
    }
    return "";
}

DWORD state_size_of(IDirectInputDevice::Kind kind) {
    switch (kind) {
    case IDirectInputDevice::Kind::keyboard:
        return c_dfDIKeyboard.dwDataSize;
    case IDirectInputDevice::Kind::mouse:
        return c_dfDIMouse.dwDataSize;
    case IDirectInputDevice::Kind::joystick:
        return c_dfDIJoystick.dwDataSize;
    }
    return 0;
}

// The open SDL joystick with this instance id; null once SDL has closed it (or never opened it).
// Looked up each time rather than kept, so a joystick subsystem shut down under us is no crash.
SDL_Joystick *open_joystick(int instance_id) {
    if (instance_id < 0 || SDL_WasInit(SDL_INIT_JOYSTICK) == 0)
        return nullptr;
    return SDL_JoystickFromInstanceID(instance_id);
}

int device_index_of(int instance_id) {
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == instance_id)
            return i;
    return -1;
}

// True when the device can no longer give input: the window closed (keyboard and mouse) or the
// joystick was unplugged.
bool device_gone(const IDirectInputDevice &device) {
    if (device.kind == IDirectInputDevice::Kind::joystick) {
        SDL_Joystick *joystick = open_joystick(device.joystick_id);
        return joystick == nullptr || SDL_JoystickGetAttached(joystick) == SDL_FALSE;
    }
    return !platform::video_started() || platform::close_requested();
}

// SDL's -32768..32767 onto min..max, rounded to nearest.
LONG scale_axis(Sint16 value, LONG min, LONG max) {
    const std::int64_t span = static_cast<std::int64_t>(max) - min;
    const std::int64_t offset = static_cast<std::int64_t>(value) + 32768;
    return static_cast<LONG>(min + (offset * span + 32767) / 65535);
}

void read_mouse(DIMOUSESTATE *state) {
    const platform::MouseMotion motion = platform::take_mouse_motion();
    state->lX = motion.dx;
    state->lY = motion.dy;
    state->lZ = motion.wheel * wheel_units_per_notch;
    // SDL numbers the buttons left, middle, right, X1; DirectInput left, right, middle, fourth.
    constexpr int sdl_bit_of_button[4] = {0, 2, 1, 3};
    for (int i = 0; i < 4; ++i)
        state->rgbButtons[i] = ((motion.buttons >> sdl_bit_of_button[i]) & 1u) != 0 ? 0x80 : 0;
}

void read_joystick(const IDirectInputDevice &device, SDL_Joystick *joystick, DIJOYSTATE *state) {
    LONG axes[axis_count]{};
    const int axes_present = SDL_min(SDL_JoystickNumAxes(joystick), axis_count);
    for (int i = 0; i < axes_present; ++i)
        axes[i] =
            scale_axis(SDL_JoystickGetAxis(joystick, i), device.range_min[i], device.range_max[i]);
    state->lX = axes[0];
    state->lY = axes[1];
    state->lZ = axes[2];
    state->lRx = axes[3];
    state->lRy = axes[4];
    state->lRz = axes[5];
    state->rglSlider[0] = axes[6];
    state->rglSlider[1] = axes[7];
    const int hats_present = SDL_min(SDL_JoystickNumHats(joystick), hat_count);
    for (int i = 0; i < hat_count; ++i)
        state->rgdwPOV[i] =
            i < hats_present ? hat_angles[SDL_JoystickGetHat(joystick, i) & 0x0F] : hat_centred;
    const int buttons_present = SDL_min(SDL_JoystickNumButtons(joystick), button_count);
    for (int i = 0; i < button_count; ++i)
        state->rgbButtons[i] =
            i < buttons_present && SDL_JoystickGetButton(joystick, i) != 0 ? 0x80 : 0;
}

bool same_guid(const GUID &a, const GUID &b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool is_joystick_guid(const GUID &guid) {
    return guid.Data2 == joystick_guid_tag.Data2 && guid.Data3 == joystick_guid_tag.Data3 &&
           std::memcmp(guid.Data4, joystick_guid_tag.Data4, sizeof guid.Data4) == 0;
}

} // namespace

// --- DirectInput object ----------------------------------------------------------------------

HRESULT DirectInputCreateA(HINSTANCE instance, DWORD version, IDirectInput **object, void *outer) {
    platform::note("DirectInputCreateA 0x%04X", static_cast<unsigned>(version));
    if (object == nullptr)
        return DIERR_INVALIDPARAM;
    *object = nullptr;
    if (instance == nullptr || outer != nullptr || version == 0)
        return DIERR_INVALIDPARAM;
    if (version > DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (platform::fault("DirectInputCreate"))
        return DIERR_GENERIC;
    auto *created = new IDirectInput;
    // Devices are read in the background; SDL would otherwise drop joystick input while the
    // window lacks the keyboard focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Without joystick support the keyboard and mouse still work; the enumeration offers none.
    created->joysticks_available = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    *object = created;
    return DI_OK;
}

HRESULT IDirectInput::CreateDevice(const GUID &guid, IDirectInputDevice **device, void *outer) {
    if (device == nullptr)
        return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (outer != nullptr)
        return DIERR_INVALIDPARAM;
    if (platform::fault("CreateDevice"))
        return DIERR_GENERIC;
    IDirectInputDevice::Kind kind;
    int joystick_id = -1;
    if (same_guid(guid, GUID_SysKeyboard)) {
        kind = IDirectInputDevice::Kind::keyboard;
    } else if (same_guid(guid, GUID_SysMouse)) {
        kind = IDirectInputDevice::Kind::mouse;
    } else if (joysticks_available && is_joystick_guid(guid)) {
        kind = IDirectInputDevice::Kind::joystick;
        joystick_id = static_cast<int>(guid.Data1);
        const int index = device_index_of(joystick_id);
        if (index < 0 || SDL_JoystickOpen(index) == nullptr)
            return DIERR_DEVICENOTREG;
    } else {
        return DIERR_DEVICENOTREG;
    }
    platform::note("IDirectInput::CreateDevice %s", kind_name(kind));
    auto *created = new IDirectInputDevice2;
    created->kind = kind;
    created->joystick_id = joystick_id;
    for (int i = 0; i < axis_count; ++i) {
        created->range_min[i] = default_range_min;
        created->range_max[i] = default_range_max;
    }
    created->owner = this;
    ++references;
    *device = created;
    return DI_OK;
}

HRESULT IDirectInput::EnumDevices(DWORD device_type, LPDIENUMDEVICESCALLBACKA callback,
                                  void *reference, DWORD flags) {
    platform::note("IDirectInput::EnumDevices %u %u", static_cast<unsigned>(device_type),
                   static_cast<unsigned>(flags));
    if (callback == nullptr || (flags != DIEDFL_ALLDEVICES && flags != DIEDFL_ATTACHEDONLY))
        return DIERR_INVALIDPARAM;
    if (device_type != DIDEVTYPE_JOYSTICK)
        return DIERR_UNSUPPORTED;
    if (!joysticks_available)
        return DI_OK;
    SDL_JoystickUpdate(); // notices joysticks plugged in since the last update
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        if (id < 0)
            continue;
        DIDEVICEINSTANCEA offered{};
        offered.guidInstance = joystick_guid_tag;
        offered.guidInstance.Data1 = static_cast<DWORD>(id);
        offered.dwDevType = DIDEVTYPE_JOYSTICK;
        const char *name = SDL_JoystickNameForIndex(i);
        if (name != nullptr)
            SDL_strlcpy(offered.tszProductName, name, sizeof offered.tszProductName);
        if (callback(&offered, reference) != DIENUM_CONTINUE)
            break;
    }
    return DI_OK;
}

DWORD IDirectInput::Release() {
    platform::note("IDirectInput::Release");
    if (--references > 0)
        return references;
    if (joysticks_available)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    delete this;
    return 0;
}

// --- Devices ---------------------------------------------------------------------------------

HRESULT IDirectInputDevice::QueryInterface(const GUID &interface_id, IDirectInputDevice2 **out) {
    platform::note("IDirectInputDevice::QueryInterface %s", kind_name(kind));
    if (out == nullptr)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (!same_guid(interface_id, IID_IDirectInputDevice2A) || platform::fault("QueryInterface"))
        return DIERR_NOINTERFACE;
    ++references;
    *out = static_cast<IDirectInputDevice2 *>(this);
    return DI_OK;
}

HRESULT IDirectInputDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    platform::note("IDirectInputDevice::SetCooperativeLevel %s %u", kind_name(kind),
                   static_cast<unsigned>(flags));
    const DWORD sharing = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if (window == nullptr || (flags & ~0x0Fu) != 0 || sharing == 0 ||
        sharing == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || focus == 0 ||
        focus == (DISCL_FOREGROUND | DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if (focus == DISCL_FOREGROUND)
        return DIERR_UNSUPPORTED;
    if (acquired)
        return DIERR_ACQUIRED;
    if (platform::fault("SetCooperativeLevel"))
        return DIERR_GENERIC;
    return DI_OK;
}

HRESULT IDirectInputDevice::SetDataFormat(const DIDATAFORMAT *format) {
    platform::note("IDirectInputDevice::SetDataFormat %s %u", kind_name(kind),
                   format != nullptr ? static_cast<unsigned>(format->dwDataSize) : 0u);
    if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
        format->dwDataSize != state_size_of(kind))
        return DIERR_INVALIDPARAM;
    if (acquired)
        return DIERR_ACQUIRED;
    if (platform::fault("SetDataFormat"))
        return DIERR_GENERIC;
    state_size = format->dwDataSize;
    return DI_OK;
}

HRESULT IDirectInputDevice::SetProperty(DWORD property, const DIPROPHEADER *header) {
    if (header == nullptr)
        return DIERR_INVALIDPARAM;
    platform::note("IDirectInputDevice::SetProperty %s %u size %u header %u object %u how %u",
                   kind_name(kind), static_cast<unsigned>(property),
                   static_cast<unsigned>(header->dwSize),
                   static_cast<unsigned>(header->dwHeaderSize),
                   static_cast<unsigned>(header->dwObj), static_cast<unsigned>(header->dwHow));
    if (property != DIPROP_RANGE || kind != Kind::joystick)
        return DIERR_UNSUPPORTED;
    if (header->dwHeaderSize != sizeof(DIPROPHEADER) || header->dwSize != sizeof(DIPROPRANGE))
        return DIERR_INVALIDPARAM;
    if (header->dwHow != DIPH_BYOFFSET)
        return DIERR_UNSUPPORTED;
    if (acquired)
        return DIERR_ACQUIRED;
    // Offsets name objects of the data format, so there are none before it is set.
    if (state_size == 0 || header->dwObj % sizeof(LONG) != 0 ||
        header->dwObj >= axis_count * sizeof(LONG))
        return DIERR_OBJECTNOTFOUND;
    // The header is the first member of the range record its size announced.
    const auto *range = reinterpret_cast<const DIPROPRANGE *>(header);
    if (range->lMin > range->lMax)
        return DIERR_INVALIDPARAM;
    range_min[header->dwObj / sizeof(LONG)] = range->lMin;
    range_max[header->dwObj / sizeof(LONG)] = range->lMax;
    return DI_OK;
}

HRESULT IDirectInputDevice::Acquire() {
    platform::note("IDirectInputDevice::Acquire %s", kind_name(kind));
    if (platform::fault("Acquire"))
        return DIERR_GENERIC;
    if (state_size == 0)
        return DIERR_INVALIDPARAM;
    if (acquired)
        return DI_NOEFFECT;
    if (device_gone(*this))
        return DIERR_INPUTLOST;
    if (kind == Kind::mouse) {
        // Motion from before the acquire is not reported.
        platform::pump_events();
        platform::take_mouse_motion();
    }
    acquired = true;
    return DI_OK;
}

HRESULT IDirectInputDevice::Unacquire() {
    platform::note("IDirectInputDevice::Unacquire %s", kind_name(kind));
    if (!acquired)
        return DI_NOEFFECT;
    acquired = false;
    return DI_OK;
}

HRESULT IDirectInputDevice::GetDeviceState(DWORD size, void *data) {
    // The size must match the data format, so a failed read never clears past the record.
    if (data == nullptr || (state_size != 0 && size != state_size))
        return DIERR_INVALIDPARAM;
    if (state_size == 0)
        return DIERR_NOTACQUIRED;
    HRESULT result = DI_OK;
    if (platform::fault("GetDeviceState")) {
        result = DIERR_GENERIC;
    } else if (!acquired) {
        result = DIERR_NOTACQUIRED;
    } else {
        if (kind != Kind::joystick)
            platform::pump_events();
        if (device_gone(*this)) {
            acquired = false;
            result = DIERR_INPUTLOST;
        }
    }
    // A failed read shows nothing held down rather than the last state.
    if (result != DI_OK) {
        std::memset(data, 0, size);
        return result;
    }
    switch (kind) {
    case Kind::keyboard:
        platform::keyboard_device_read(static_cast<BYTE *>(data));
        break;
    case Kind::mouse:
        read_mouse(static_cast<DIMOUSESTATE *>(data));
        break;
    case Kind::joystick:
        read_joystick(*this, open_joystick(joystick_id), static_cast<DIJOYSTATE *>(data));
        break;
    }
    return DI_OK;
}

DWORD IDirectInputDevice::Release() {
    platform::note("IDirectInputDevice::Release %s", kind_name(kind));
    if (--references > 0)
        return references;
    if (SDL_Joystick *joystick = open_joystick(joystick_id))
        SDL_JoystickClose(joystick);
    IDirectInput *object = owner;
    // Every device is made as the second interface; free it as what it is.
    delete static_cast<IDirectInputDevice2 *>(this);
    object->Release();
    return 0;
}

HRESULT IDirectInputDevice2::Poll() {
    if (platform::fault("Poll"))
        return DIERR_GENERIC;
    if (!acquired)
        return DIERR_NOTACQUIRED;
    if (kind != Kind::joystick)
        return DI_NOEFFECT;
    SDL_JoystickUpdate();
    if (device_gone(*this)) {
        acquired = false;
        return DIERR_INPUTLOST;
    }
    return DI_OK;
}
