// What the end-to-end test hosts' entries need of their routine.
#pragma once

// The window thread, once the run has ended: prints the typed characters (char_queue), the
// wheel total, and every character and press the routine had taken (it takes them after each present), for the harness to read.
void report_input();
