#pragma once
// The recording stand-in's own entry points, beside the driver operations.

extern "C" {
struct RecordedCall
{
    char op[16];
    int address; // SetQB7, QB7Out, QB7In
    int value;   // SetQB7: mask; QB7Out: value written; QB7In: byte after the call
    int mode;    // SetQB7 only
    int before;  // QB7In: the byte handed to the library, -1 elsewhere
};

void qb7rec_reset();
int qb7rec_count();
RecordedCall qb7rec_call(int index);
// Reads answer from this 12-bit code: line n of port A gives bit 8 + n, the
// whole port the low byte.
void qb7rec_setCode(int code12);
// With filling off, reads leave the byte they are handed as it was.
void qb7rec_setFilling(int filling);
}
