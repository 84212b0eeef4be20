#include "ui/channel_controls.h"

#include "ui/main_uir.h"

namespace kd71 {

namespace {

constexpr ChannelControls kChannels[2] = {
    {
        .pattern = PANELMAIN_DATA_SELECT_CH1,
        .input_clock = PANELMAIN_RING_IN_CLK_CH1,
        .manual_mode = PANELMAIN_CKBX_MANUAL_MD_CH1,
        .threshold = PANELMAIN_CH1_THRES,
        .delay = PANELMAIN_CH1_SAMPDEL,
        .delay_caption = PANELMAIN_TEXTMSG_SDAS_CH1,
        .init = PANELMAIN_INIT_CH1,
        .auto_search = PANELMAIN_CH1_AUTOSEARCH,
        .auto_search_stop = PANELMAIN_CH1_AUTOSEARCH_STOP,
        .test_toggle = PANELMAIN_COM_TOT_ERR_CNT_CH1,
        .test_interval = PANELMAIN_TEST_INTERVAL_CH1,
        .total_errors = PANELMAIN_TOT_ERROR_COUNT_CH1,
        .total_ratio = PANELMAIN_TOT_ERROR_RATIO_CH1,
        .total_bound = PANELMAIN_TEXTMSG_LT_CH1,
        .elapsed = PANELMAIN_ELAPSED_TIME_CH1,
        .bit_rate = PANELMAIN_CLOCK_FREQUENCY_CH1,
        .bit_time = PANELMAIN_BIT_TIME_CH1,
        .errors = PANELMAIN_ERROR_COUNT_CH1,
        .ratio = PANELMAIN_ERROR_RATIO_CH1,
        .ratio_bound = PANELMAIN_TEXTMSG_LT_ER_CH1,
        .error_bar = PANELMAIN_ERROR_HIST_BAR_CH1,
        .error_free = PANELMAIN_ERROR_FREE_CH1,
        .error_free_caption = PANELMAIN_ERROR_FREE_CH1_2,
        .ones = PANELMAIN_ONES_CNT_CH1,
        .no_error = PANELMAIN_NO_ERR_IND_CH1,
        .state = PANELDEBUG_CHANNEL_STATE_CH1,
        .sync_led = PANELDEBUG_SYNC_LED_CH1,
        .inverted_led = PANELDEBUG_INV_LED_CH1,
        .seq_no = PANELDEBUG_SEQ_NO_CH1,
        .fast_errors = PANELDEBUG_SHORT_ERR_CH1,
        .phase9340 = PANELDEBUG_RINGSLIDE_9340PHS_CH1,
        .phase9372 = PANELDEBUG_RINGSLIDE_9372PHS_CH1,
        .keep_phases = PANELDEBUG_CKBX_MANUAL_MD_CH1,
    },
    {
        .pattern = PANELMAIN_DATA_SELECT_CH2,
        .input_clock = PANELMAIN_RING_IN_CLK_CH2,
        .manual_mode = PANELMAIN_CKBX_MANUAL_MD_CH2,
        .threshold = PANELMAIN_CH2_THRES,
        .delay = PANELMAIN_CH2_SAMPDEL,
        .delay_caption = PANELMAIN_TEXTMSG_SDAS_CH2,
        .init = PANELMAIN_INIT_CH2,
        .auto_search = PANELMAIN_CH2_AUTOSEARCH,
        .auto_search_stop = PANELMAIN_CH2_AUTOSEARCH_STOP,
        .test_toggle = PANELMAIN_COM_TOT_ERR_CNT_CH2,
        .test_interval = PANELMAIN_TEST_INTERVAL_CH2,
        .total_errors = PANELMAIN_TOT_ERROR_COUNT_CH2,
        .total_ratio = PANELMAIN_TOT_ERROR_RATIO_CH2,
        .total_bound = PANELMAIN_TEXTMSG_LT_CH2,
        .elapsed = PANELMAIN_ELAPSED_TIME_CH2,
        .bit_rate = PANELMAIN_CLOCK_FREQUENCY_CH2,
        .bit_time = PANELMAIN_BIT_TIME_CH2,
        .errors = PANELMAIN_ERROR_COUNT_CH2,
        .ratio = PANELMAIN_ERROR_RATIO_CH2,
        .ratio_bound = PANELMAIN_TEXTMSG_LT_ER_CH2,
        .error_bar = PANELMAIN_ERROR_HIST_BAR_CH2,
        .error_free = PANELMAIN_ERROR_FREE_CH2,
        .error_free_caption = PANELMAIN_ERROR_FREE_CH2_2,
        .ones = PANELMAIN_ONES_CNT_CH2,
        .no_error = PANELMAIN_NO_ERR_IND_CH2,
        .state = PANELDEBUG_CHANNEL_STATE_CH2,
        .sync_led = PANELDEBUG_SYNC_LED_CH2,
        .inverted_led = PANELDEBUG_INV_LED_CH2,
        .seq_no = PANELDEBUG_SEQ_NO_CH2,
        .fast_errors = PANELDEBUG_SHORT_ERR_CH2,
        .phase9340 = PANELDEBUG_RINGSLIDE_9340PHS_CH2,
        .phase9372 = PANELDEBUG_RINGSLIDE_9372PHS_CH2,
        .keep_phases = PANELDEBUG_CKBX_MANUAL_MD_CH2,
    },
};

}  // namespace

const ChannelControls& channel_controls(int channel) { return kChannels[channel == 2 ? 1 : 0]; }

int channel_of(int control, int ChannelControls::*field) {
  for (int channel : {1, 2})
    if (channel_controls(channel).*field == control) return channel;
  return 0;
}

}  // namespace kd71
