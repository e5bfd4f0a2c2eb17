#include "standin_options.h"

namespace standin {

ParsedOptions ParseOptions(const std::vector<std::string>& args)
{
    ParsedOptions result;
    Options& o = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            o.help = true;
        } else if (a == "--exit-at-end") {
            o.exitAtEnd = true;
        } else if (a == "--ddeml") {
            o.ddeml = true;
        } else if (a == "--one-window") {
            o.oneWindow = true;
        } else if (a == "--script" || a == "--log") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                result.error = a + " needs a file name";
                return result;
            }
            (a == "--script" ? o.scriptPath : o.logPath) = args[++i];
        } else {
            result.error = "unknown argument '" + a + "'";
            return result;
        }
    }
    result.ok = true;
    return result;
}

}  // namespace standin
