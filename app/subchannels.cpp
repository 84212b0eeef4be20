#include "app/subchannels.h"

#include "app/panel_handles.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/colours.h"
#include "ui/main_uir.h"

int subchannel_errors_control(int k) {
  if (k == 30) return PANELDEBUG_ERRS_SUBCH_30;
  if (k == 31) return PANELDEBUG_ERRS_SUBCH_31;
  return PANELDEBUG_ERRS_SUBCH_00 + k;
}

int subchannel_phase_control(int k) {
  if (k == 30) return PANELDEBUG_ADJ_SUBCH_30;
  if (k == 31) return PANELDEBUG_ADJ_SUBCH_31;
  return PANELDEBUG_ADJ_SUBCH_00 + k;
}

void DisplaySubchanErrs() {
  const int panel = debugPanelHandle;
  int scan = 0;
  GetCtrlVal(panel, PANELDEBUG_SCAN_SCECS, &scan);
  if (scan == 0) return;
  int channel = 1;
  GetCtrlVal(panel, PANELDEBUG_SNAPSHOT_CH, &channel);
  const int index = channel - 1;  // a channel 2 scan lands in record 1
  const int failed =
      poll_until_trailer(index, channel_code(channel, kSubchannelKind), kSubchannelTrailer);
  SetCtrlVal(panel, PANELDEBUG_SNAPSHOT_BAD_READS, failed);
  SetCtrlAttribute(panel, PANELDEBUG_SNAPSHOT_BAD_READS, ATTR_FILL_COLOR,
                   failed > 0 ? kRed : kWhite);
  const unsigned char* b = packets[index].bytes;
  for (int k = kSubchannels - 1; k >= 0; --k)
    SetCtrlVal(panel, subchannel_errors_control(k), subchannel_errors(b, k));
  for (int k = kSubchannels - 1; k >= 0; --k)
    SetCtrlVal(panel, subchannel_phase_control(k), subchannel_vernier(b, k));
}
