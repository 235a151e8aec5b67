// quorbit-cli's queue commands on the search that admits every line sum, for the tests only:
// there, units below a deep prefix hold hundreds of tours, so that the path of a tour (report,
// log, checkpoint, resume) is exercised by a real `run` as a user starts it.
#include <cstdio>
#include <cstring>

#include "cli/queue_commands.h"
#include "cli/run_command.h"
#include "cli/standard_output.h"

int main(int argc, char** argv) {
    quorbit::PrepareStandardStreams();
    const quorbit::Subcommand* const commands[] = {&quorbit::RUN_COMMAND, &quorbit::ADD_COMMAND, &quorbit::STATUS_COMMAND,
                                                   &quorbit::STOP_COMMAND};
    for (const quorbit::Subcommand* command : commands)
        if (argc >= 2 && std::strcmp(argv[1], command->name) == 0) return command->run(argc - 2, argv + 2);
    std::fputs("usage: quorbit-all-tours-cli run|add|status|stop ...\n", stderr);
    return 2;
}
