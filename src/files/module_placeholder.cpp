// Module files: sources arrive with its work.
namespace {}
