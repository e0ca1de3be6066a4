// page_message.js: the JavaScript side of common/fatal_message_web.cpp, linked in with
// --js-library. A fatal message goes onto the page's element with id "message", when there
// is a page (under Node, running the tests, there is none). The exit() that follows it must
// then end the program: by default the browser's timers and frame requests keep the runtime
// alive, and exit() alone would leave GLUT's frame loop running.
mergeInto(LibraryManager.library, {
  ravelle_show_fatal_message: function (line) {
    if (typeof document !== 'undefined') {
      var element = document.getElementById('message');
      if (element) element.textContent = UTF8ToString(line);
    }
    noExitRuntime = false;
    runtimeKeepaliveCounter = 0;
  },
});
