// The user-interface runtime calls that the program is written against:
// panels, controls and their attributes, the event loop, popups, graphs,
// Delay and Timer. They are served by a headless control store that keeps
// every control's value in the control's own type; a front-end (the Qt window,
// the console) can attach to it (platform/ui_runtime/ui_frontend.h).
#pragma once

#include <cstddef>
#include <string>

// Event codes passed to control callbacks.
enum {
  EVENT_NONE = 0,
  EVENT_COMMIT = 1,
  EVENT_VAL_CHANGED = 2,
  EVENT_LEFT_DOUBLE_CLICK = 4,
  EVENT_RIGHT_CLICK = 5,
  EVENT_KEYPRESS = 7,
  EVENT_TIMER_TICK = 15,
  EVENT_RIGHT_CLICK_UP = 35,
  EVENT_MOUSE_WHEEL_SCROLL = 36,
};

// Direction codes of EVENT_MOUSE_WHEEL_SCROLL (event data 1).
enum { MOUSE_WHEEL_SCROLL_UP = 2, MOUSE_WHEEL_SCROLL_DOWN = 3 };

// Control attributes.
enum {
  ATTR_DIMMED = 500,        // 1 dimmed, 0 active
  ATTR_VISIBLE = 530,       // 1 visible, 0 hidden
  ATTR_CTRL_MODE = 620,     // 1 operable, 0 locked against input
  ATTR_TOOLTIP_TEXT = 652,  // text
  ATTR_TEXT_COLOR = 680,    // 0xRRGGBB
  ATTR_FILL_COLOR = 690,    // 0xRRGGBB
  ATTR_ON_COLOR = 920,      // LED on-colour, 0xRRGGBB
  ATTR_INCR_VALUE = 733,    // numeric increment, in the control's type
  ATTR_LABEL_TEXT = 1100,   // text
  ATTR_INTERVAL = 1510,     // timers, seconds (double)
  ATTR_ENABLED = 1520,      // timers, 1 running, 0 stopped
};

// Panel attributes.
enum { ATTR_TITLE = 1 };

// Button kinds of FileSelectPopupEx.
enum { VAL_SAVE_BUTTON = 1, VAL_SELECT_BUTTON = 2, VAL_LOAD_BUTTON = 3 };

// Results of FileSelectPopupEx.
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };

// Error results (negative) of the calls below.
enum {
  UIE_NO_ERROR = 0,
  UIE_BAD_PANEL = -1,
  UIE_BAD_CONTROL = -2,
  UIE_WRONG_TYPE = -3,
  UIE_BAD_ATTRIBUTE = -4,
  UIE_VALUE_REJECTED = -5,
  UIE_RESOURCE_NOT_FOUND = -6,
};

inline constexpr std::size_t MAX_PATHNAME_LEN = 1024;

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);

// Panels.
int LoadPanel(int parentPanel, const char* resourceFile, int panelResourceId);
int LoadPanelEx(int parentPanel, const char* resourceFile, int panelResourceId, void* moduleHandle);
int DisplayPanel(int panel);
int DiscardPanel(int panel);
int SetPanelAttribute(int panel, int attribute, const char* value);
int GetPanelAttribute(int panel, int attribute, std::string* value);
int GetPanelMenuBar(int panel);

// Event loop.
int RunUserInterface();
int QuitUserInterface(int returnCode);
int GetUserEvent(int waitMode, int* panelOrMenuBar, int* controlOrMenuItem);
int ProcessDrawEvents();

// Values. A value of another numeric type is converted to the control's type.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, long value);
int SetCtrlVal(int panel, int control, unsigned long value);
int SetCtrlVal(int panel, int control, long long value);
int SetCtrlVal(int panel, int control, unsigned long long value);
int SetCtrlVal(int panel, int control, unsigned char value);
int SetCtrlVal(int panel, int control, float value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* text);
int SetCtrlVal(int panel, int control, const std::string& text);

// Reads must use the control's own type; anything else is a programming error
// (an assertion in debug builds, a converted value and UIE_WRONG_TYPE otherwise).
int GetCtrlVal(int panel, int control, unsigned char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, unsigned int* value);
int GetCtrlVal(int panel, int control, long* value);
int GetCtrlVal(int panel, int control, long long* value);
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, std::string* text);
int GetCtrlValText(int panel, int control, char* buffer, std::size_t size);
template <std::size_t N>
int GetCtrlVal(int panel, int control, char (&buffer)[N]) {
  return GetCtrlValText(panel, control, buffer, N);
}

// Attributes.
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, unsigned int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
int GetCtrlAttribute(int panel, int control, int attribute, float* value);
int GetCtrlAttribute(int panel, int control, int attribute, double* value);
int GetCtrlAttribute(int panel, int control, int attribute, std::string* value);

// Graphs. Return a plot handle (> 0) or an error.
int PlotPoint(int panel, int control, double x, double y, int pointStyle, int color);
int PlotWaveform(int panel, int control, const int* values, int numberOfPoints, double yGain,
                 double yOffset, double initialX, double xIncrement, int plotStyle, int pointStyle,
                 int lineStyle, int pointFrequency, int color);
// plotHandle -1 deletes every plot of the graph.
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);

// Popups. FileSelectPopupEx writes at most MAX_PATHNAME_LEN bytes to pathName.
int MessagePopup(const char* title, const char* message);
int FileSelectPopupEx(const char* defaultDirectory, const char* defaultFileSpec,
                      const char* fileTypeList, const char* title, int buttonLabel,
                      int restrictDirectory, int restrictExtension, char* pathName);

// Time.
void Delay(double seconds);
double Timer();
