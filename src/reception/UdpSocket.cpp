#include "UdpSocket.h"
