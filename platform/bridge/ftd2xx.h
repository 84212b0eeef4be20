// The FTDI bridge driver calls the program uses, with D2XX-style types and
// status codes. They dispatch to the backend installed at start-up (the
// simulated board, libftdi1, or a recording test double); with none installed
// every call reports FT_DEVICE_NOT_FOUND.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UCHAR = std::uint8_t;
using LPDWORD = DWORD*;
using LPVOID = void*;
using FT_HANDLE = void*;
using FT_STATUS = ULONG;

enum : FT_STATUS {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INSUFFICIENT_RESOURCES = 5,
  FT_INVALID_PARAMETER = 6,
  FT_INVALID_BAUD_RATE = 7,
  FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
  FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
  FT_FAILED_TO_WRITE_DEVICE = 10,
  FT_EEPROM_READ_FAILED = 11,
  FT_EEPROM_WRITE_FAILED = 12,
  FT_EEPROM_ERASE_FAILED = 13,
  FT_EEPROM_NOT_PRESENT = 14,
  FT_EEPROM_NOT_PROGRAMMED = 15,
  FT_INVALID_ARGS = 16,
  FT_NOT_SUPPORTED = 17,
  FT_OTHER_ERROR = 18,
  FT_DEVICE_LIST_NOT_READY = 19,
};

// FT_Purge masks.
enum : ULONG { FT_PURGE_RX = 1, FT_PURGE_TX = 2 };

// FT_SetBitMode modes.
enum : UCHAR { FT_BITMODE_RESET = 0x00, FT_BITMODE_ASYNC_BITBANG = 0x01 };

// Device-list node flags.
enum : ULONG { FT_FLAGS_OPENED = 1, FT_FLAGS_HISPEED = 2 };

// Device types.
enum : ULONG {
  FT_DEVICE_BM = 0,
  FT_DEVICE_AM = 1,
  FT_DEVICE_100AX = 2,
  FT_DEVICE_UNKNOWN = 3,
  FT_DEVICE_2232C = 4,
  FT_DEVICE_232R = 5
};

struct FT_DEVICE_LIST_INFO_NODE {
  ULONG Flags;
  ULONG Type;
  ULONG ID;
  DWORD LocId;
  char SerialNumber[16];
  char Description[64];
  FT_HANDLE ftHandle;  // the open handle when this process holds the device open, else 0
};

FT_STATUS FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs);
// On entry *lpdwNumDevs is the number of nodes pDest has room for; at most
// that many are written. On return it holds the number of attached devices,
// which may be larger.
FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* pDest, LPDWORD lpdwNumDevs);
// Writes at most 16 bytes to lpSerialNumber and 64 to lpDescription.
FT_STATUS FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType, LPDWORD lpdwID,
                                 LPDWORD lpdwLocId, LPVOID lpSerialNumber, LPVOID lpDescription,
                                 FT_HANDLE* pftHandle);
FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* pHandle);
FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG baudRate);
FT_STATUS FT_SetBitMode(FT_HANDLE ftHandle, UCHAR mask, UCHAR mode);
FT_STATUS FT_SetUSBParameters(FT_HANDLE ftHandle, ULONG inTransferSize, ULONG outTransferSize);
FT_STATUS FT_SetLatencyTimer(FT_HANDLE ftHandle, UCHAR latencyMs);
FT_STATUS FT_GetBitMode(FT_HANDLE ftHandle, UCHAR* pins);
FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten);
FT_STATUS FT_GetStatus(FT_HANDLE ftHandle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus);
FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesReturned);
FT_STATUS FT_Purge(FT_HANDLE ftHandle, ULONG mask);
FT_STATUS FT_Close(FT_HANDLE ftHandle);
FT_STATUS FT_CyclePort(FT_HANDLE ftHandle);
