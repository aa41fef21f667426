// Module analysis: sources arrive with its work.
namespace {}
