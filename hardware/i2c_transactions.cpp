#include "hardware/i2c_transactions.h"

#include "hardware/i2c_comms.h"
#include "hardware/lowlevel_link.h"

bool i2c_write_register(unsigned char address_byte, unsigned char reg, unsigned char value) {
  issue_i2c_start(usb_handle);
  int acked = tx_i2c_byte(usb_handle, address_byte);
  acked &= tx_i2c_byte(usb_handle, reg);
  acked &= tx_i2c_byte(usb_handle, value);
  issue_i2c_stop(usb_handle);
  return acked == 1;
}
