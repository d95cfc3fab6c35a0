// Starts `zerka lsp` for the assembly files of the workspace. Settings under "zerka." are the
// server's initializationOptions and are sent again when they change.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function serverOptions() {
  const cfg = vscode.workspace.getConfiguration('zerka');
  return { chip: cfg.get('chip') || '', lib: cfg.get('lib') || '', main: cfg.get('main') || '' };
}

function activate(context) {
  const command = vscode.workspace.getConfiguration('zerka').get('path') || 'zerka';
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
