// Module canvas: sources arrive with its work.
namespace {}
