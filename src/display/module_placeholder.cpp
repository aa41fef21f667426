// Module display: sources arrive with its work.
namespace {}
