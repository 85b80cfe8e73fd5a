// The input devices: the DirectInput object and its devices (the system keyboard, the system
// mouse and attached joysticks) with the constants, records and data formats the engine is written
// against. Keys and mouse motion come from the platform's event pump; joysticks from SDL's
// joystick API. Each device copies its immediate state into the caller's record on request.
#pragma once

#include "platform/types.h"

// Results. DI_NOEFFECT is a success that changed nothing (acquiring an acquired device).
constexpr HRESULT DI_OK = S_OK;
constexpr HRESULT DI_NOEFFECT = 1;
constexpr HRESULT DIERR_GENERIC = E_FAIL;
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DIERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DIERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
constexpr HRESULT DIERR_OBJECTNOTFOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = static_cast<HRESULT>(0x8007047Eu);

// The newest interface version this layer offers.
constexpr DWORD DIRECTINPUT_VERSION = 0x0500;

// DirectInput key codes: the index of a key's byte in the keyboard state (set-1 scan codes;
// 0x80 added for the extended keys).
constexpr BYTE DIK_ESCAPE = 0x01;
constexpr BYTE DIK_1 = 0x02;
constexpr BYTE DIK_2 = 0x03;
constexpr BYTE DIK_3 = 0x04;
constexpr BYTE DIK_4 = 0x05;
constexpr BYTE DIK_5 = 0x06;
constexpr BYTE DIK_6 = 0x07;
constexpr BYTE DIK_7 = 0x08;
constexpr BYTE DIK_8 = 0x09;
constexpr BYTE DIK_9 = 0x0A;
constexpr BYTE DIK_0 = 0x0B;
constexpr BYTE DIK_MINUS = 0x0C;
constexpr BYTE DIK_EQUALS = 0x0D;
constexpr BYTE DIK_BACK = 0x0E;
constexpr BYTE DIK_TAB = 0x0F;
constexpr BYTE DIK_Q = 0x10;
constexpr BYTE DIK_W = 0x11;
constexpr BYTE DIK_E = 0x12;
constexpr BYTE DIK_R = 0x13;
constexpr BYTE DIK_T = 0x14;
constexpr BYTE DIK_Y = 0x15;
constexpr BYTE DIK_U = 0x16;
constexpr BYTE DIK_I = 0x17;
constexpr BYTE DIK_O = 0x18;
constexpr BYTE DIK_P = 0x19;
constexpr BYTE DIK_LBRACKET = 0x1A;
constexpr BYTE DIK_RBRACKET = 0x1B;
constexpr BYTE DIK_RETURN = 0x1C;
constexpr BYTE DIK_LCONTROL = 0x1D;
constexpr BYTE DIK_A = 0x1E;
constexpr BYTE DIK_S = 0x1F;
constexpr BYTE DIK_D = 0x20;
constexpr BYTE DIK_F = 0x21;
constexpr BYTE DIK_G = 0x22;
constexpr BYTE DIK_H = 0x23;
constexpr BYTE DIK_J = 0x24;
constexpr BYTE DIK_K = 0x25;
constexpr BYTE DIK_L = 0x26;
constexpr BYTE DIK_SEMICOLON = 0x27;
constexpr BYTE DIK_APOSTROPHE = 0x28;
constexpr BYTE DIK_GRAVE = 0x29;
constexpr BYTE DIK_LSHIFT = 0x2A;
constexpr BYTE DIK_BACKSLASH = 0x2B;
constexpr BYTE DIK_Z = 0x2C;
constexpr BYTE DIK_X = 0x2D;
constexpr BYTE DIK_C = 0x2E;
constexpr BYTE DIK_V = 0x2F;
constexpr BYTE DIK_B = 0x30;
constexpr BYTE DIK_N = 0x31;
constexpr BYTE DIK_M = 0x32;
constexpr BYTE DIK_COMMA = 0x33;
constexpr BYTE DIK_PERIOD = 0x34;
constexpr BYTE DIK_SLASH = 0x35;
constexpr BYTE DIK_RSHIFT = 0x36;
constexpr BYTE DIK_MULTIPLY = 0x37;
constexpr BYTE DIK_LMENU = 0x38;
constexpr BYTE DIK_SPACE = 0x39;
constexpr BYTE DIK_CAPITAL = 0x3A;
constexpr BYTE DIK_F1 = 0x3B;
constexpr BYTE DIK_F2 = 0x3C;
constexpr BYTE DIK_F3 = 0x3D;
constexpr BYTE DIK_F4 = 0x3E;
constexpr BYTE DIK_F5 = 0x3F;
constexpr BYTE DIK_F6 = 0x40;
constexpr BYTE DIK_F7 = 0x41;
constexpr BYTE DIK_F8 = 0x42;
constexpr BYTE DIK_F9 = 0x43;
constexpr BYTE DIK_F10 = 0x44;
constexpr BYTE DIK_NUMLOCK = 0x45;
constexpr BYTE DIK_SCROLL = 0x46;
constexpr BYTE DIK_NUMPAD7 = 0x47;
constexpr BYTE DIK_NUMPAD8 = 0x48;
constexpr BYTE DIK_NUMPAD9 = 0x49;
constexpr BYTE DIK_SUBTRACT = 0x4A;
constexpr BYTE DIK_NUMPAD4 = 0x4B;
constexpr BYTE DIK_NUMPAD5 = 0x4C;
constexpr BYTE DIK_NUMPAD6 = 0x4D;
constexpr BYTE DIK_ADD = 0x4E;
constexpr BYTE DIK_NUMPAD1 = 0x4F;
constexpr BYTE DIK_NUMPAD2 = 0x50;
constexpr BYTE DIK_NUMPAD3 = 0x51;
constexpr BYTE DIK_NUMPAD0 = 0x52;
constexpr BYTE DIK_DECIMAL = 0x53;
constexpr BYTE DIK_OEM_102 = 0x56;
constexpr BYTE DIK_F11 = 0x57;
constexpr BYTE DIK_F12 = 0x58;
constexpr BYTE DIK_F13 = 0x64;
constexpr BYTE DIK_F14 = 0x65;
constexpr BYTE DIK_F15 = 0x66;
constexpr BYTE DIK_KANA = 0x70;
constexpr BYTE DIK_ABNT_C1 = 0x73;
constexpr BYTE DIK_CONVERT = 0x79;
constexpr BYTE DIK_NOCONVERT = 0x7B;
constexpr BYTE DIK_YEN = 0x7D;
constexpr BYTE DIK_ABNT_C2 = 0x7E;
constexpr BYTE DIK_NUMPADEQUALS = 0x8D;
constexpr BYTE DIK_PREVTRACK = 0x90;
constexpr BYTE DIK_AT = 0x91;
constexpr BYTE DIK_COLON = 0x92;
constexpr BYTE DIK_UNDERLINE = 0x93;
constexpr BYTE DIK_KANJI = 0x94;
constexpr BYTE DIK_STOP = 0x95;
constexpr BYTE DIK_AX = 0x96;
constexpr BYTE DIK_UNLABELED = 0x97;
constexpr BYTE DIK_NEXTTRACK = 0x99;
constexpr BYTE DIK_NUMPADENTER = 0x9C;
constexpr BYTE DIK_RCONTROL = 0x9D;
constexpr BYTE DIK_MUTE = 0xA0;
constexpr BYTE DIK_CALCULATOR = 0xA1;
constexpr BYTE DIK_PLAYPAUSE = 0xA2;
constexpr BYTE DIK_MEDIASTOP = 0xA4;
constexpr BYTE DIK_VOLUMEDOWN = 0xAE;
constexpr BYTE DIK_VOLUMEUP = 0xB0;
constexpr BYTE DIK_WEBHOME = 0xB2;
constexpr BYTE DIK_NUMPADCOMMA = 0xB3;
constexpr BYTE DIK_DIVIDE = 0xB5;
constexpr BYTE DIK_SYSRQ = 0xB7;
constexpr BYTE DIK_RMENU = 0xB8;
constexpr BYTE DIK_PAUSE = 0xC5;
constexpr BYTE DIK_HOME = 0xC7;
constexpr BYTE DIK_UP = 0xC8;
constexpr BYTE DIK_PRIOR = 0xC9;
constexpr BYTE DIK_LEFT = 0xCB;
constexpr BYTE DIK_RIGHT = 0xCD;
constexpr BYTE DIK_END = 0xCF;
constexpr BYTE DIK_DOWN = 0xD0;
constexpr BYTE DIK_NEXT = 0xD1;
constexpr BYTE DIK_INSERT = 0xD2;
constexpr BYTE DIK_DELETE = 0xD3;
constexpr BYTE DIK_LWIN = 0xDB;
constexpr BYTE DIK_RWIN = 0xDC;
constexpr BYTE DIK_APPS = 0xDD;
constexpr BYTE DIK_POWER = 0xDE;
constexpr BYTE DIK_SLEEP = 0xDF;
constexpr BYTE DIK_WAKE = 0xE3;
constexpr BYTE DIK_WEBSEARCH = 0xE5;
constexpr BYTE DIK_WEBFAVORITES = 0xE6;
constexpr BYTE DIK_WEBREFRESH = 0xE7;
constexpr BYTE DIK_WEBSTOP = 0xE8;
constexpr BYTE DIK_WEBFORWARD = 0xE9;
constexpr BYTE DIK_WEBBACK = 0xEA;
constexpr BYTE DIK_MYCOMPUTER = 0xEB;
constexpr BYTE DIK_MAIL = 0xEC;
constexpr BYTE DIK_MEDIASELECT = 0xED;
// Other names for the same keys.
constexpr BYTE DIK_BACKSPACE = DIK_BACK;
constexpr BYTE DIK_NUMPADSTAR = DIK_MULTIPLY;
constexpr BYTE DIK_LALT = DIK_LMENU;
constexpr BYTE DIK_CAPSLOCK = DIK_CAPITAL;
constexpr BYTE DIK_NUMPADMINUS = DIK_SUBTRACT;
constexpr BYTE DIK_NUMPADPLUS = DIK_ADD;
constexpr BYTE DIK_NUMPADPERIOD = DIK_DECIMAL;
constexpr BYTE DIK_NUMPADSLASH = DIK_DIVIDE;
constexpr BYTE DIK_RALT = DIK_RMENU;
constexpr BYTE DIK_UPARROW = DIK_UP;
constexpr BYTE DIK_PGUP = DIK_PRIOR;
constexpr BYTE DIK_LEFTARROW = DIK_LEFT;
constexpr BYTE DIK_RIGHTARROW = DIK_RIGHT;
constexpr BYTE DIK_DOWNARROW = DIK_DOWN;
constexpr BYTE DIK_PGDN = DIK_NEXT;
constexpr BYTE DIK_CIRCUMFLEX = DIK_PREVTRACK;

// Cooperative levels. Exclusive and non-exclusive behave alike (one process owns the devices);
// devices are always read in the background, so DISCL_FOREGROUND is refused.
constexpr DWORD DISCL_EXCLUSIVE = 0x01;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x02;
constexpr DWORD DISCL_FOREGROUND = 0x04;
constexpr DWORD DISCL_BACKGROUND = 0x08;

// Enumeration.
constexpr DWORD DIDEVTYPE_JOYSTICK = 4;
constexpr DWORD DIEDFL_ALLDEVICES = 0;
constexpr DWORD DIEDFL_ATTACHEDONLY = 1;
constexpr BOOL DIENUM_STOP = 0;
constexpr BOOL DIENUM_CONTINUE = 1;

// Device properties: the property number and how the header names its object.
constexpr DWORD DIPROP_RANGE = 4;
constexpr DWORD DIPH_BYOFFSET = 1;

struct DIPROPHEADER {
    DWORD dwSize;
    DWORD dwHeaderSize;
    DWORD dwObj;
    DWORD dwHow;
};
static_assert(sizeof(DIPROPHEADER) == 16);

struct DIPROPRANGE {
    DIPROPHEADER diph;
    LONG lMin;
    LONG lMax;
};
static_assert(sizeof(DIPROPRANGE) == 24);

// A data format names the state record a device fills; only the three tables below exist.
struct DIDATAFORMAT {
    DWORD dwSize;     // sizeof(DIDATAFORMAT)
    DWORD dwDataSize; // bytes of the state record
};
extern const DIDATAFORMAT c_dfDIKeyboard; // 256 key bytes
extern const DIDATAFORMAT c_dfDIMouse;    // DIMOUSESTATE
extern const DIDATAFORMAT c_dfDIJoystick; // DIJOYSTATE

// Relative motion since the last read; wheel in 120 units per notch. Buttons: left, right,
// middle, fourth; 0x80 while down.
struct DIMOUSESTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};
static_assert(sizeof(DIMOUSESTATE) == 16);

// Absolute axes scaled into each axis's range (default 0..65535; an axis the joystick lacks reads
// 0); hats in hundredths of a degree clockwise from up, 0xFFFFFFFF when centred or absent;
// buttons 0x80 while down.
struct DIJOYSTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    LONG lRx;
    LONG lRy;
    LONG lRz;
    LONG rglSlider[2];
    DWORD rgdwPOV[4];
    BYTE rgbButtons[32];
};
static_assert(sizeof(DIJOYSTATE) == 80);

// A device offered by the enumeration. A joystick's instance GUID carries its SDL instance id in
// Data1; the other fields are a fixed tag, so no joystick has the all-zero GUID.
struct DIDEVICEINSTANCEA {
    GUID guidInstance;
    DWORD dwDevType;
    char tszProductName[260]; // zero-terminated, cut to fit
};

using LPDIENUMDEVICESCALLBACKA = BOOL (*)(const DIDEVICEINSTANCEA *instance, void *reference);

extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;
extern const GUID IID_IDirectInputDevice2A;

class IDirectInput;
class IDirectInputDevice2;

// A device. Objects are reference counted: QueryInterface adds a reference, Release drops one and
// frees the device with the last.
class IDirectInputDevice {
public:
    HRESULT QueryInterface(const GUID &interface_id, IDirectInputDevice2 **out);
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDataFormat(const DIDATAFORMAT *format);
    HRESULT SetProperty(DWORD property, const DIPROPHEADER *header);
    HRESULT Acquire();
    HRESULT Unacquire();
    // DIERR_NOTACQUIRED or DIERR_INPUTLOST (the window closed, the joystick unplugged; the device
    // is then unacquired for good) clear the record; a wrong size or null record leaves it alone.
    HRESULT GetDeviceState(DWORD size, void *data);
    DWORD Release();

    enum class Kind { keyboard, mouse, joystick };
    Kind kind = Kind::keyboard;
    int joystick_id = -1; // SDL instance id of a joystick
    DWORD references = 1;
    DWORD state_size = 0; // set by the data format; 0 until then
    bool acquired = false;
    LONG range_min[8]{}; // per axis: lX lY lZ lRx lRy lRz and the two sliders
    LONG range_max[8]{};
    IDirectInput *owner = nullptr; // holds a reference, so the object outlives its devices
};

// The second version of the device interface: adds Poll. Every device is made as one.
class IDirectInputDevice2 : public IDirectInputDevice {
public:
    // Brings fresh joystick data for the next GetDeviceState; DI_NOEFFECT on keyboard and mouse.
    HRESULT Poll();
};

class IDirectInput {
public:
    // Keyboard, mouse, or a joystick by the instance GUID the enumeration gave.
    HRESULT CreateDevice(const GUID &guid, IDirectInputDevice **device, void *outer);
    // Offers the attached joysticks (DIDEVTYPE_JOYSTICK only) in SDL's order.
    HRESULT EnumDevices(DWORD device_type, LPDIENUMDEVICESCALLBACKA callback, void *reference,
                        DWORD flags);
    DWORD Release();

    DWORD references = 1;
    bool joysticks_available = false; // SDL's joystick subsystem started
};

// Creates the DirectInput object for versions up to 0x0500; 0 on success.
HRESULT DirectInputCreateA(HINSTANCE instance, DWORD version, IDirectInput **object, void *outer);
