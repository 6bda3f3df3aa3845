#pragma once

namespace velto {

// What a failure means to the user, whatever subsystem raised it: it picks the notice a view
// shows and the exit status of the command line.
enum class AppErrorKind
{
    network,            // the service could not be reached, or did not answer in time
    session,            // there is no usable session: the user has to sign in
    unexpectedResponse, // the service answered with something that is not an answer
    other               // the error's own sentence says it best
};

} // namespace velto
