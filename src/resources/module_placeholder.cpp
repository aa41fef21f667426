// Module resources: sources arrive with its work.
namespace {}
