#include "ToolKinds.h"

const std::array<ToolKindRow, ToolKindCount> ToolKindTable = {{
    {"Tavo_TcpSnd", "Tavo_TcpSndLog.txt", "Tavo_TcpSendSetting.ini"},
    {"Tavo_TcpRcv", "Tavo_TcpRcvLog.txt", "Tavo_TcpRecvSetting.ini"},
    {"Tavo_UdpSnd", "Tavo_UdpSndLog.txt", "Tavo_UdpSendSetting.ini"},
    {"Tavo_UdpRcv", "Tavo_UdpRcvLog.txt", "Tavo_UdpRecvSetting.ini"},
    {"Tavo_SerialSnd", "Tavo_SerialSndLog.txt", "Tavo_SerialSendSetting.ini"},
    {"Tavo_SerialRcv", "Tavo_SerialRcvLog.txt", "Tavo_SerialRecvSetting.ini"},
    {"Tavo_TcpTextSnd", "Tavo_TcpTextSndLog.txt", ""},
    {"Tavo_TcpTextRcv", "Tavo_TcpTextRcvLog.txt", ""},
    {"Tavo_UdpTextSnd", "Tavo_UdpTextSndLog.txt", ""},
    {"Tavo_UdpTextRcv", "Tavo_UdpTextRcvLog.txt", ""},
}};
