// Starts `zerka lsp` for the assembly files of the workspace, and `zerka dap` for debug sessions
// of type "zerka". Settings under "zerka." are the server's initializationOptions and are sent
// again when they change; "zerka.path" names the executable for both.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function serverOptions() {
  const cfg = vscode.workspace.getConfiguration('zerka');
  return { chip: cfg.get('chip') || '', lib: cfg.get('lib') || '', main: cfg.get('main') || '' };
}

function zerkaPath() {
  return vscode.workspace.getConfiguration('zerka').get('path') || 'zerka';
}

function registerDebugger(context) {
  context.subscriptions.push(vscode.debug.registerDebugAdapterDescriptorFactory('zerka', {
    createDebugAdapterDescriptor: () => new vscode.DebugAdapterExecutable(zerkaPath(), ['dap']),
  }));
  // F5 without a launch.json: debug the assembly file in the editor on the simulator.
  context.subscriptions.push(vscode.debug.registerDebugConfigurationProvider('zerka', {
    resolveDebugConfiguration(folder, config) {
      if (!config.type && !config.request && !config.name) {
        const editor = vscode.window.activeTextEditor;
        if (!editor || editor.document.languageId !== 'zerka-asm') return config;
        const chip = vscode.workspace.getConfiguration('zerka').get('chip') || undefined;
        return { type: 'zerka', request: 'launch', name: 'Zerka: simulator',
          program: editor.document.fileName, chip, stopOnEntry: true };
      }
      if (!config.program) {
        return vscode.window.showErrorMessage('The launch configuration needs "program": the main .asm file or a .prj/.cfg file')
          .then(() => undefined);
      }
      return config;
    },
  }));
}

function activate(context) {
  registerDebugger(context);
  const command = zerkaPath();
  client = new LanguageClient('zerka', 'Zerka assembly',
    { command, args: ['lsp'] },
    {
      documentSelector: [{ scheme: 'file', language: 'zerka-asm' }],
      initializationOptions: serverOptions(),
    });
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration((e) => {
    if (e.affectsConfiguration('zerka') && client)
      client.sendNotification('workspace/didChangeConfiguration', { settings: { zerka: serverOptions() } });
  }));
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
