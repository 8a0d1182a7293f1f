// The two failures of a wake run. Both carry nothing: whoever throws one has
// already printed the message, if the failure has one. Thrown by value and
// caught only by the command line's catch-all handlers.

#ifndef ZORWOL_WAKE_ERRORS_H_
#define ZORWOL_WAKE_ERRORS_H_

// The socket library, the address conversion or a send failed.
class SocketError {};

// A MAC text, a password or a target-file line is malformed.
class FormatError {};

#endif  // ZORWOL_WAKE_ERRORS_H_
