// Panel, control and menu constants of the resource "main.uir", in the form
// of the header that the user-interface editor generates for it.
#pragma once

#include "platform/userint.h"

// Panels and controls. Identifiers are unique within a panel.

#define  PANELDEBUG                       1
#define  PANELDEBUG_CHECKBOX_GP_IO                2
#define  PANELDEBUG_CHECKBOX_DEBUG                3
#define  PANELDEBUG_CHECKBOX_IO_Dump              4
#define  PANELDEBUG_CHECKBOX_DAC_Dump             5
#define  PANELDEBUG_CLOSEPANELDEBUG               6
#define  PANELDEBUG_CHECKBOX_LOOPBACK             7
#define  PANELDEBUG_CHECKBOX_DAC_Sweep            8
#define  PANELDEBUG_RINGSLIDE_9372PHS_CH1         9
#define  PANELDEBUG_RINGSLIDE_9340PHS_CH1         10
#define  PANELDEBUG_GP_17                         11
#define  PANELDEBUG_CKBX_MANUAL_MD_CH1            12
#define  PANELDEBUG_CKBX_MANUAL_MD_CH2            13
#define  PANELDEBUG_GP_16                         14
#define  PANELDEBUG_GP_15                         15
#define  PANELDEBUG_RINGSLIDE_9372PHS_CH2         16
#define  PANELDEBUG_RINGSLIDE_9340PHS_CH2         17
#define  PANELDEBUG_GP_14                         18
#define  PANELDEBUG_GP_13                         19
#define  PANELDEBUG_GP_12                         20
#define  PANELDEBUG_GP_11                         21
#define  PANELDEBUG_GP_10                         22
#define  PANELDEBUG_GP_9                          23
#define  PANELDEBUG_GP_8                          24
#define  PANELDEBUG_GP_7                          25
#define  PANELDEBUG_GP_6                          26
#define  PANELDEBUG_GP_5                          27
#define  PANELDEBUG_GP_4                          28
#define  PANELDEBUG_GP_3                          29
#define  PANELDEBUG_GP_2                          30
#define  PANELDEBUG_GP_1                          31
#define  PANELDEBUG_DEBUG_I2C                     32
#define  PANELDEBUG_DEBUG_DS4520                  33
#define  PANELDEBUG_DEBUG_DAC                     34
#define  PANELDEBUG_DEBUG_MCP4561                 35
#define  PANELDEBUG_DEBUG_USB                     36
#define  PANELDEBUG_DEBUG_MAIN                    37
#define  PANELDEBUG_GP_0                          38
#define  PANELDEBUG_DEBUGPRINTS                   39
#define  PANELDEBUG_TEXTMSG                       40
#define  PANELDEBUG_DECORATION_3                  41
#define  PANELDEBUG_DEBUG_TIMER                   42
#define  PANELDEBUG_READ_VALUES                   43
#define  PANELDEBUG_SNAPSHOT_BUTTON               44
#define  PANELDEBUG_DEBUG_OUTPUT                  45
#define  PANELDEBUG_SNAPSHOT                      46
#define  PANELDEBUG_SNAPSHOT_HEX                  47
#define  PANELDEBUG_CHANNEL_STATE_CH2             48
#define  PANELDEBUG_SEQ_NO_CH2                    49
#define  PANELDEBUG_SEQ_NO_CH1                    50
#define  PANELDEBUG_SNAPSHOT_BAD_READS            51
#define  PANELDEBUG_SNAPSHOT_PRBS_ROT             52
#define  PANELDEBUG_SNAPSHOT_PRBS_ERRS            53
#define  PANELDEBUG_SNAPSHOT_ERRS_CNT             54
#define  PANELDEBUG_SNAPSHOT_ONES_CNT             55
#define  PANELDEBUG_SNAPSHOT_BITNO                56
#define  PANELDEBUG_SNAPSHOT_CH                   57
#define  PANELDEBUG_SNAPSHOT_ROTATION             58
#define  PANELDEBUG_CHANNEL_STATE_CH1             59
#define  PANELDEBUG_SNAPSHOT_TAG                  60
#define  PANELDEBUG_AUTO_ROTATE                   61
#define  PANELDEBUG_SHOW_ERRS                     62
#define  PANELDEBUG_INVERT                        63
#define  PANELDEBUG_AUTO_SAMPSIZE                 64
#define  PANELDEBUG_TLOCK_CKBOX                   65
#define  PANELDEBUG_THRESH_PRESWEEP               66
#define  PANELDEBUG_SMOOTH                        67
#define  PANELDEBUG_LOAD_INDEX                    68
#define  PANELDEBUG_LEFTNOERROR                   69
#define  PANELDEBUG_RIGHTNOERROR                  70
#define  PANELDEBUG_DELTAV                        71
#define  PANELDEBUG_OKNAME                        72
#define  PANELDEBUG_DECORATION_13                 73
#define  PANELDEBUG_DECORATION_17                 74
#define  PANELDEBUG_DECORATION_16                 75
#define  PANELDEBUG_DECORATION_14                 76
#define  PANELDEBUG_DECORATION_15                 77
#define  PANELDEBUG_TEXTMSG_8                     78
#define  PANELDEBUG_TEXTMSG_9                     79
#define  PANELDEBUG_LAG_NO                        80
#define  PANELDEBUG_SHORT_ERR_CH2                 81
#define  PANELDEBUG_SHORT_ERR_CH1                 82
#define  PANELDEBUG_TRY_PHASES                    83
#define  PANELDEBUG_ERRFREE_BY_PHASE              84
#define  PANELDEBUG_FULL_RATE_LED_CH2             85
#define  PANELDEBUG_ADJ_SUBCH_00                  86
#define  PANELDEBUG_ADJ_SUBCH_01                  87
#define  PANELDEBUG_ADJ_SUBCH_02                  88
#define  PANELDEBUG_ADJ_SUBCH_03                  89
#define  PANELDEBUG_ADJ_SUBCH_04                  90
#define  PANELDEBUG_ADJ_SUBCH_05                  91
#define  PANELDEBUG_ADJ_SUBCH_06                  92
#define  PANELDEBUG_ADJ_SUBCH_07                  93
#define  PANELDEBUG_ADJ_SUBCH_08                  94
#define  PANELDEBUG_ADJ_SUBCH_09                  95
#define  PANELDEBUG_ADJ_SUBCH_10                  96
#define  PANELDEBUG_ADJ_SUBCH_11                  97
#define  PANELDEBUG_ADJ_SUBCH_12                  98
#define  PANELDEBUG_ADJ_SUBCH_13                  99
#define  PANELDEBUG_ADJ_SUBCH_14                  100
#define  PANELDEBUG_ADJ_SUBCH_15                  101
#define  PANELDEBUG_ADJ_SUBCH_16                  102
#define  PANELDEBUG_ADJ_SUBCH_17                  103
#define  PANELDEBUG_ADJ_SUBCH_18                  104
#define  PANELDEBUG_ADJ_SUBCH_19                  105
#define  PANELDEBUG_ADJ_SUBCH_20                  106
#define  PANELDEBUG_ADJ_SUBCH_21                  107
#define  PANELDEBUG_ADJ_SUBCH_22                  108
#define  PANELDEBUG_ADJ_SUBCH_23                  109
#define  PANELDEBUG_ADJ_SUBCH_24                  110
#define  PANELDEBUG_ADJ_SUBCH_25                  111
#define  PANELDEBUG_ADJ_SUBCH_26                  112
#define  PANELDEBUG_ADJ_SUBCH_27                  113
#define  PANELDEBUG_ADJ_SUBCH_28                  114
#define  PANELDEBUG_ADJ_SUBCH_29                  115
#define  PANELDEBUG_ADJ_SUBCH_31                  116
#define  PANELDEBUG_ADJ_SUBCH_30                  117
#define  PANELDEBUG_ERRS_SUBCH_00                 118
#define  PANELDEBUG_ERRS_SUBCH_01                 119
#define  PANELDEBUG_ERRS_SUBCH_02                 120
#define  PANELDEBUG_ERRS_SUBCH_03                 121
#define  PANELDEBUG_ERRS_SUBCH_04                 122
#define  PANELDEBUG_ERRS_SUBCH_05                 123
#define  PANELDEBUG_ERRS_SUBCH_06                 124
#define  PANELDEBUG_ERRS_SUBCH_07                 125
#define  PANELDEBUG_ERRS_SUBCH_08                 126
#define  PANELDEBUG_ERRS_SUBCH_09                 127
#define  PANELDEBUG_ERRS_SUBCH_10                 128
#define  PANELDEBUG_ERRS_SUBCH_11                 129
#define  PANELDEBUG_ERRS_SUBCH_12                 130
#define  PANELDEBUG_ERRS_SUBCH_13                 131
#define  PANELDEBUG_ERRS_SUBCH_14                 132
#define  PANELDEBUG_ERRS_SUBCH_15                 133
#define  PANELDEBUG_ERRS_SUBCH_16                 134
#define  PANELDEBUG_ERRS_SUBCH_17                 135
#define  PANELDEBUG_ERRS_SUBCH_18                 136
#define  PANELDEBUG_ERRS_SUBCH_19                 137
#define  PANELDEBUG_ERRS_SUBCH_20                 138
#define  PANELDEBUG_ERRS_SUBCH_21                 139
#define  PANELDEBUG_ERRS_SUBCH_22                 140
#define  PANELDEBUG_ERRS_SUBCH_23                 141
#define  PANELDEBUG_ERRS_SUBCH_24                 142
#define  PANELDEBUG_ERRS_SUBCH_25                 143
#define  PANELDEBUG_ERRS_SUBCH_26                 144
#define  PANELDEBUG_ERRS_SUBCH_27                 145
#define  PANELDEBUG_ERRS_SUBCH_28                 146
#define  PANELDEBUG_ERRS_SUBCH_29                 147
#define  PANELDEBUG_ERRS_SUBCH_31                 148
#define  PANELDEBUG_ERRS_SUBCH_30                 149
#define  PANELDEBUG_TOT_ERR_TRIG_CH1              150
#define  PANELDEBUG_SYNC_LED_CH2                  151
#define  PANELDEBUG_INV_LED_CH2                   152
#define  PANELDEBUG_INV_LED_CH1                   153
#define  PANELDEBUG_SYNC_LED_CH1                  154
#define  PANELDEBUG_DATA_THRESH_CH1_N_IND         155
#define  PANELDEBUG_SAMP_DLY_CH2_IND              156
#define  PANELDEBUG_SAMP_DLY_CH1_IND              157
#define  PANELDEBUG_CLK_DUTY_CH2_IND              158
#define  PANELDEBUG_CLK_DUTY_CH1_IND              159
#define  PANELDEBUG_DATA_THRESH_CH2_N_IND         160
#define  PANELDEBUG_DATA_THRESH_CH2_P_IND         161
#define  PANELDEBUG_DATA_THRESH_CH1_P_IND         162
#define  PANELDEBUG_TEXTMSG_22                    163
#define  PANELDEBUG_TEXTMSG_21                    164
#define  PANELDEBUG_TEXTMSG_20                    165
#define  PANELDEBUG_TEXTMSG_19                    166
#define  PANELDEBUG_TEXTMSG_18                    167
#define  PANELDEBUG_TEXTMSG_17                    168
#define  PANELDEBUG_TEXTMSG_2                     169
#define  PANELDEBUG_TEXTMSG_10                    170
#define  PANELDEBUG_TEXTMSG_11                    171
#define  PANELDEBUG_TEXTMSG_12                    172
#define  PANELDEBUG_TEXTMSG_13                    173
#define  PANELDEBUG_TEXTMSG_14                    174
#define  PANELDEBUG_TEXTMSG_15                    175
#define  PANELDEBUG_TEXTMSG_16                    176
#define  PANELDEBUG_SCAN_SCECS                    177
#define  PANELDEBUG_CH1_READ                      178
#define  PANELDEBUG_HB                            179
#define  PANELDEBUG_CH2_READ                      180
#define  PANELDEBUG_LOOP_LOCK_CH2                 181
#define  PANELDEBUG_LOOP_LOCK_CH1                 182
#define  PANELDEBUG_SCOPE                         183
#define  PANELDEBUG_EXTRA_DELAY                   184
#define  PANELDEBUG_USB_RESET                     185
#define  PANELDEBUG_SAMPLE_LEN                    186

#define  PANELMAIN                        2
#define  PANELMAIN_CMDQUIT                        2
#define  PANELMAIN_NOTIFY_USER                    3
#define  PANELMAIN_CH1_SAMPDEL                    4
#define  PANELMAIN_CH1_THRES                      5
#define  PANELMAIN_CH2_THRES                      6
#define  PANELMAIN_CH2_SAMPDEL                    7
#define  PANELMAIN_TIMER                          8
#define  PANELMAIN_DATA_SELECT_CH2                9
#define  PANELMAIN_DATA_SELECT_CH1                10
#define  PANELMAIN_VER                            11
#define  PANELMAIN_TEXTMSG_7                      12
#define  PANELMAIN_RING_IN_CLK_CH2                13
#define  PANELMAIN_RING_IN_CLK_CH1                14
#define  PANELMAIN_CKBX_MANUAL_MD_CH2             15
#define  PANELMAIN_CKBX_MANUAL_MD_CH1             16
#define  PANELMAIN_DECORATION                     17
#define  PANELMAIN_DECORATION_15                  18
#define  PANELMAIN_DECORATION_14                  19
#define  PANELMAIN_DECORATION_13                  20
#define  PANELMAIN_CANVAS                         21
#define  PANELMAIN_CLOCK_FREQUENCY_CH2            22
#define  PANELMAIN_TOT_ERROR_RATIO_CH2            23
#define  PANELMAIN_ERROR_RATIO_CH2                24
#define  PANELMAIN_ERROR_FREE_CH2_2               25
#define  PANELMAIN_ERROR_FREE_CH2                 26
#define  PANELMAIN_ERROR_COUNT_CH2                27
#define  PANELMAIN_BIT_TIME_CH2                   28
#define  PANELMAIN_BIT_TIME_CH1                   29
#define  PANELMAIN_CLOCK_FREQUENCY_CH1            30
#define  PANELMAIN_ERROR_HIST_BAR_CH2             31
#define  PANELMAIN_TOT_ERROR_RATIO_CH1            32
#define  PANELMAIN_ERROR_RATIO_CH1                33
#define  PANELMAIN_ERROR_FREE_CH1_2               34
#define  PANELMAIN_ERROR_FREE_CH1                 35
#define  PANELMAIN_ONES_CNT_CH2                   36
#define  PANELMAIN_ERROR_COUNT_CH1                37
#define  PANELMAIN_TEXTMSG_8                      38
#define  PANELMAIN_ERROR_HIST_BAR_CH1             39
#define  PANELMAIN_RETRIES                        40
#define  PANELMAIN_TEXTMSG                        41
#define  PANELMAIN_ONES_CNT_CH1                   42
#define  PANELMAIN_DEVICE_SN                      43
#define  PANELMAIN_FIRMWARE_VER_NO                44
#define  PANELMAIN_TEXTMSG_19                     45
#define  PANELMAIN_TEXTMSG_24                     46
#define  PANELMAIN_TEXTMSG_20                     47
#define  PANELMAIN_TEXTMSG_18                     48
#define  PANELMAIN_TEXTMSG_26                     49
#define  PANELMAIN_TEXTMSG_12                     50
#define  PANELMAIN_TEXTMSG_25                     51
#define  PANELMAIN_TEXTMSG_13                     52
#define  PANELMAIN_TEXTMSG_15                     53
#define  PANELMAIN_TEXTMSG_14                     54
#define  PANELMAIN_TEXTMSG_16                     55
#define  PANELMAIN_CH2_AUTOSEARCH                 56
#define  PANELMAIN_TEXTMSG_17                     57
#define  PANELMAIN_CH1_AUTOSEARCH                 58
#define  PANELMAIN_COM_TOT_ERR_CNT_CH1            59
#define  PANELMAIN_CH1_AUTOSEARCH_STOP            60
#define  PANELMAIN_COM_TOT_ERR_CNT_CH2            61
#define  PANELMAIN_CH2_AUTOSEARCH_STOP            62
#define  PANELMAIN_ELAPSED_TIME_CH2               63
#define  PANELMAIN_TOT_ERROR_COUNT_CH2            64
#define  PANELMAIN_TOT_ERROR_COUNT_CH1            65
#define  PANELMAIN_ELAPSED_TIME_CH1               66
#define  PANELMAIN_NO_ERR_IND_CH2                 67
#define  PANELMAIN_NO_ERR_IND_CH1                 68
#define  PANELMAIN_TEXTMSG_LT_CH2                 69
#define  PANELMAIN_TEXTMSG_LT_CH1                 70
#define  PANELMAIN_TEXTMSG_LT_ER_CH1              71
#define  PANELMAIN_TEXTMSG_LT_ER_CH2              72
#define  PANELMAIN_TEST_INTERVAL_CH1              73
#define  PANELMAIN_TEST_INTERVAL_CH2              74
#define  PANELMAIN_INIT_CH2                       75
#define  PANELMAIN_INIT_CH1                       76
#define  PANELMAIN_TEXTMSG_CH1_GBPS               77
#define  PANELMAIN_TEXTMSG_CH2_GBPS               78
#define  PANELMAIN_TEXTMSG_MV_CH1                 79
#define  PANELMAIN_TEXTMSG_MV_CH2                 80
#define  PANELMAIN_TEXTMSG_SDAS_CH1               81
#define  PANELMAIN_TEXTMSG_SDAS_CH2               82

#define  PANELSCOPE                       3
#define  PANELSCOPE_GRAPH_ERRS                    2
#define  PANELSCOPE_GRAPH_ONES                    3
#define  PANELSCOPE_INV_LED                       4

// Menu bars, menus and menu items.

#define  MENUBAR                          1
#define  MENUBAR_ITEM1                    2
#define  MENUBAR_FILE                     3
#define  MENUBAR_FILE_FILESAVEAS          4
#define  MENUBAR_FILE_FILEOPEN            5

// Callback prototypes.

void Debug(int menubar, int menuItem, void* callbackData, int panel);
void FileOpen(int menubar, int menuItem, void* callbackData, int panel);
void FileSaveAs(int menubar, int menuItem, void* callbackData, int panel);

int AutoSearch(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_DAC(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_Debug(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_InitChan(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_ReadDAC(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_TotalErrCntButton(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CB_TryPhases(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CBdebugTimer(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CBTimer(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int debugs(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int general_purpose_IO(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int general_purpose_IO_DebugPanel(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int io_expander(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int LoadFlags(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int open_scope_panel(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int quit_panel(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int QuitAll(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int UsbReset(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
