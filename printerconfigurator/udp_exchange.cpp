#include "udp_exchange.h"

#include "command_frame.h"
#include "udp_socket.h"

#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

bool IsIPValid(const QString& address)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral(
        "((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)")));
    return pattern.match(address).hasMatch();
}

int UDPSendRecvData(const QString& address, const unsigned char* frame, int frameLength, unsigned char* reply,
                    int capacity, int& received)
{
    received = -1;
    if (!IsIPValid(address))
        return UDP_BAD_ADDRESS;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(command_frame::kUdpPort);
    // The strict parser: "010.0.0.1" passes the pattern, but another parser
    // would read its first part as octal 8.
    if (inet_pton(AF_INET, address.toLatin1().constData(), &destination.sin_addr) != 1)
        return UDP_BAD_ADDRESS;

    UdpSocket socket;
    if (socket.fd() < 0)
        return UDP_NO_SOCKET;
    const ssize_t sent = sendto(socket.fd(), frame, static_cast<std::size_t>(frameLength), 0,
                                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    if (sent != frameLength)
        return UDP_SEND_FAILED;

    timeval timeout{};
    timeout.tv_sec = kUdpReceiveTimeoutSeconds;
    if (setsockopt(socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0)
        return UDP_TIMEOUT_NOT_SET;
    received = static_cast<int>(recv(socket.fd(), reply, static_cast<std::size_t>(capacity), 0));
    return UDP_OK;
}
