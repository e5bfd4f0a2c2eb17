#include "help_text.h"

namespace standin {

const char* HelpText()
{
    return R"(satpc32-standin: stands in for SatPC32's DDE server, so that Korvane can be
tried and tested without SatPC32.

Serves service "SatPC32", topic "SatPcDdeConv", item "SatPcDdeItem" in CF_TEXT,
as hot (and warm) advise links and requests, to any number of conversations.

Usage: satpc32-standin.exe [--ddeml | --one-window] [--script FILE] [--log FILE] [--exit-at-end] [--help]
  --ddeml         serve through the DDE management library (DDEML), as a program built
                  on a DDE component library does (DdeInitialize, DdeNameService,
                  XTYP_CONNECT, XTYP_ADVSTART, XTYP_ADVREQ and XTYP_REQUEST answered
                  with a CF_TEXT data handle, DdePostAdvise at every change); without
                  it, raw DDE messages are spoken. With --ddeml, "terminate" is
                  DdeUninitialize (the process keeps running, serving nothing), "quit"
                  is DdeUninitialize and exit, and rawdata, format, vanish and
                  "advise ignore" are refused as bad lines (DDEML cannot do them)
  --one-window    raw DDE, with every conversation served from the main window and
                  known by its client's window alone, as some servers do ("busy"
                  then shows a client that starts anew before its terminate is answered)
  --script FILE   run the script in FILE (checked as a whole before it starts);
                  without it, script lines are read from standard input as they come
                  (a bad line is reported as "error ..." and skipped)
  --log FILE      write every event line to FILE as well
  --exit-at-end   at the end of the script, do what "quit" does; without it the
                  stand-in keeps serving until it is killed
  --help          this text

Script: one command per line, run in order while DDE messages keep being served.
  set <text>       the item becomes the rest of the line (spaces kept, may be empty),
                   sent with a terminating NUL to every advised conversation; \r, \n
                   and \\ stand for CR, LF and a backslash (any other backslash is an
                   error), so SatPC32's line ends are "\r\n" and "\n\r\n"
  sethex <hex>     the item becomes exactly these bytes (e.g. "41 42 00" or "414200"),
                   with no NUL added
  setfill <n> <text>
                   the item becomes <text> (cut to n bytes if longer) padded with "."
                   to n bytes in all (at most 16777216), then the terminating NUL
  rawdata [item <name>] <hex>|null
                   send one DATA message whose whole data block, header included, is
                   exactly these bytes (none at all for an empty block), or that has no
                   data handle (null), for the item <name> (default SatPcDdeItem); the
                   item's value is left as it was
  storm <ms> <per-second> <text>
                   for ms milliseconds change the item per-second times a second; the
                   n-th change (from 1) is <text>, a space and n, with the NUL; the
                   script goes on once the storm is over
  wait <ms>        pause the script for ms milliseconds
  repeat <ms>      from now on send the item every ms milliseconds to every advised
                   conversation, changed or not, as SatPC32 does once a second
                   (repeat 0 stops; a repeat prints no line)
  terminate        end every conversation: post WM_DDE_TERMINATE, wait up to 1000 ms
                   for the replies
  vanish           destroy every conversation's window without a WM_DDE_TERMINATE; the
                   process goes on serving new conversations (not with --ddeml)
  exit             end the process at once, ending no conversation (a crash)
  quit             terminate every conversation, then exit with code 0
  refuse on|off    ignore (on) or answer (off, default) new WM_DDE_INITIATE
  advise ok|nack|ignore
                   answer WM_DDE_ADVISE positively (default), negatively, or never
  hang <ms>        stop serving messages for ms milliseconds (a hung tracker; a
                   client broadcasting WM_DDE_INITIATE meanwhile waits for it)
  busy <ms>        for ms milliseconds answer only sent messages (WM_DDE_INITIATE
                   among them) and leave posted ones waiting, as a busy program does
  format <n>|text  send DATA (advise data and request answers) in clipboard format n;
                   "format text" goes back to CF_TEXT
  # ...            comment; blank lines are ignored too
  Example (SatPC32 12.9's texts):
    repeat 1000
    set SNRS-44 AZ19.3 EL4.5 UP145966847 UMLSB DN435634488 DMUSB MA120.4 RR3.79\r\n
    wait 5000
    set ** NO SATELLITE **\n\r\n

Events: one line each on standard output, flushed at once (<client> is the client's
window handle in hex, e.g. 0x2004E):
  ready                          serving; the script starts now
  command <line>                 a script command starts
  error <message>: <line>        a bad line on standard input, skipped
  initiate <client>              a conversation was opened
  initiate <client> refused      ignored because of "refuse on" (--ddeml: "initiate
                                 refused", DDEML does not name the client)
  advise ok|nack|ignored <client>
                                 answer to WM_DDE_ADVISE by the advise mode
  advise rejected <client> item|format
                                 negative answer: not our item, or not CF_TEXT
  request answered|refused <client>
  unadvise <client>              link ended (unadvise refused <client>: no such link)
  data sent <n> clients          after set/sethex/setfill/rawdata: DATA posted to n
                                 conversations (a storm's changes print no such line)
  storm over <n> changes in <ms> ms
                                 a storm has ended; its last change was number n
  data ack <client> ok|nack      the client acknowledged DATA (when it asked to)
  poke refused <client>, execute refused <client>
  terminate from client <client> the client ended the conversation; answered
  terminate sent <client>        the stand-in ended the conversation
  terminate reply <client>       the client answered it
  terminate timeout <client>     no answer within 1000 ms; dropped all the same
  vanish <client>                its window destroyed unannounced ("vanish")
  uninitialize <n> conversations --ddeml: DdeUninitialize is called
  terminated                     "terminate" (or quit) is done
  hang over                      a hang has ended
  busy over                      a busy time has ended
  script end                     the end of the script was reached
  exiting                        about to exit after quit or --exit-at-end
Exit codes: 0 after quit, exit or --exit-at-end; 1 when the DDE window (or the DDEML
instance) cannot be created; 2 for a bad command line or a bad line in the --script file.
)";
}

}  // namespace standin
