#ifndef REMOTEMETHODS_H
#define REMOTEMETHODS_H

class QObject;
class RemoteServer;

// The program's own methods of the script interface: hello, which tells a
// client that passed the token check the program, its version and the
// protocol version. They go with owner.
void RegisterAppMethods(RemoteServer &server, QObject *owner);

#endif
