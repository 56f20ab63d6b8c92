// Every operation returns at once; reads are filled with 0.
#include "device/qb7api.h"

extern "C" {

int QB7_CALL OpenQB7()
{
    return 1;
}
int QB7_CALL CloseQB7()
{
    return 1;
}
int QB7_CALL SetQB7(int, int, int)
{
    return 1;
}
int QB7_CALL QB7Out(int, unsigned char)
{
    return 1;
}
int QB7_CALL QB7In(int, unsigned char *value)
{
    *value = 0;
    return 1;
}
int QB7_CALL GetQB7State()
{
    return 0;
}
int QB7_CALL GetQB7FW()
{
    return 0;
}
int QB7_CALL SetQB7All(int, int, int)
{
    return 0;
}
int QB7_CALL QB7OutAll(unsigned char, unsigned char)
{
    return 0;
}
int QB7_CALL QB7InAll(unsigned char *, unsigned char *)
{
    return 0;
}
}
