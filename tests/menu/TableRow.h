// One row of the device table as a scan leaves it, for the tests of the table and the port selection.
#ifndef ZAVRIX_TESTS_MENU_TABLEROW_H
#define ZAVRIX_TESTS_MENU_TABLEROW_H

#include <string>

#include "basic.h"

inline Win32::CommInfo Row(const std::string& port, bool atOk, const std::string& ati = "",
                           const std::string& number = "", const std::string& signal = "",
                           const std::string& serial = "", const std::string& baud = "9600")
{
    Win32::CommInfo row;
    row.port = port;
    row.atOk = atOk;
    row.portOk = atOk;
    row.ati = ati;
    row.number = number;
    row.signal = signal;
    row.serial = serial;
    row.baud = baud;
    return row;
}

#endif
