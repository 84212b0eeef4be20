// Buttons pressed from the command line: `--init CH` presses the channel's
// "Init" and `--auto-search CH` its "Sampling Delay Auto Search", once, in
// the order given, as soon as the board is connected and its settings are
// applied. A button the channel's mode leaves dimmed ("Init" in manual
// mode, the auto search in automatic mode) is not pressed; a line on
// standard error says why.
#pragma once

// Queues a press of `button` ("init" or "auto-search") of channel 1 or 2;
// false for another button or channel.
bool queue_button_press(const char* button, int channel);
// Between events, while the loop runs and no callback does: once the board
// is connected, queues the commit of the next pressed button when the last
// one has run. A stop signal that has arrived cancels them.
void press_queued_buttons();
// True while presses wait to be made.
bool button_presses_pending();

void button_presses_reset();
